#pragma once
// A modal dialog over a window, standing for a sheet: a heading, a message, an optional check box
// and a row of buttons, the first the cancelling one and the last the default one. Closing the
// dialog (Escape, the window's close button) answers as the first button. The dialog is made once
// and shown again with new texts; the answer reaches `response` after the dialog is hidden, from
// the main loop, so that the handler may show this or another dialog. Main thread.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace talv {

class AlertSheet : public Gtk::Window {
public:
    // button: the index of the button chosen; checked: the check box's state (false without one).
    using Response = std::function<void(std::size_t button, bool checked)>;

    AlertSheet(Gtk::Window& parent, const std::vector<std::string>& buttons, std::optional<std::string> checkBox,
               Response response);
    ~AlertSheet() override;

    // Shows the dialog with these texts, the check box set to `checked`.
    void present(const std::string& heading, const std::string& message, bool checked = false);
    // Answers as a click on the button would.
    void respond(std::size_t button);

    const std::string& heading() const { return heading_; }
    std::string message() const { return message_.get_text(); }
    Gtk::CheckButton& checkBox() { return checkBox_; }
    Gtk::Button& button(std::size_t index) { return *buttons_.at(index); }
    // Marks the last button as one that destroys something.
    void setDestructive(bool destructive);

private:
    std::string heading_;
    Gtk::Label headingLabel_, message_;
    Gtk::CheckButton checkBox_;
    std::vector<Gtk::Button*> buttons_;
    Response response_;
    sigc::connection pendingResponse_;
};

}  // namespace talv
