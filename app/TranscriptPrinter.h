#pragma once
// Prints the page the transcript pane shows as one tall picture of the page laid out at the
// printable width of the chosen paper and scale, over as many pages as it takes. The picture is
// taken from a hidden copy of the page in the pane, laid out at that width; each printed page is
// drawn from the snapshot of its own band of the picture, so that a long chat never needs the
// whole picture in memory. The print settings are kept from one print to the next while the
// program runs. Main thread only.
#include "app/WebKitTranscriptView.h"

#include <gtkmm/printoperation.h>
#include <gtkmm/window.h>

#include <string>

namespace talv {

class TranscriptPrinter {
public:
    explicit TranscriptPrinter(WebKitTranscriptView& view);
    ~TranscriptPrinter();
    TranscriptPrinter(const TranscriptPrinter&) = delete;
    TranscriptPrinter& operator=(const TranscriptPrinter&) = delete;

    // PRINT_DIALOG asks the user (modal to `parent`) and prints in the background; EXPORT writes
    // the PDF file `exportFile` at once. Without a page shown it beeps and answers CANCEL. A
    // failure is shown to the user and answers ERROR.
    Gtk::PrintOperation::Result print(Gtk::Window& parent, Gtk::PrintOperation::Action action = Gtk::PrintOperation::Action::PRINT_DIALOG,
                                      const std::string& exportFile = {});

    const Glib::RefPtr<Gtk::PrintSettings>& settings() const { return settings_; }

private:
    WebKitTranscriptView& view_;
    Glib::RefPtr<Gtk::PrintSettings> settings_;
    Glib::RefPtr<Gtk::PageSetup> pageSetup_;
    Glib::RefPtr<Gtk::PrintOperation> running_;  // kept until it has finished
    sigc::connection release_;
};

}  // namespace talv
