#pragma once
// The picture viewer's window: the picture drawn at its size, or scaled down to fit a smaller
// window, the file's name as the title, and the picture dragged out of the window as its file.
// Closing the window lets the controller go (with its temporary file). Main thread only.
#include "display/ChatImageWindowController.h"

#include <gtkmm/picture.h>
#include <gtkmm/window.h>

#include <cstdint>

namespace talv {

class ChatImageWindow : public ImageWindow {
public:
    explicit ChatImageWindow(ChatImageWindowController& controller);

    void showImage(const Bytes& picture) override;
    // The work area of the monitor the main window is on (without panels and docks where the
    // windowing system tells them).
    PictureSize visibleScreenFrame() const override;
    void setFrameSize(PictureSize frame) override;
    void setRepresentedFile(const std::filesystem::path& file) override;
    void makeKeyAndOrderFront() override;

    Gtk::Window& window() { return window_; }
    Gtk::Picture& picture() { return picture_; }
    const std::optional<std::filesystem::path>& representedFile() const { return file_; }

private:
    Gtk::Window window_;
    Gtk::Picture picture_;
    std::optional<std::filesystem::path> file_;
};

// Opens (or brings to the front) the viewer of a stored picture, read from the user's archive.
ChatImageWindowController& openChatImageWindow(std::int64_t pictureID);

}  // namespace talv
