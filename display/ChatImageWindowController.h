#pragma once
// The picture viewer's logic: one window per picture, sized to the picture within most of the
// screen, and a temporary copy of the picture (named as stored) in a private folder of the
// window's own that lives as long as the window, so that the title shows the name and the picture
// can be dragged out as a file.
// The window itself is the shell's: it implements ImageWindow. Main thread only.
#include "display/PictureFiles.h"
#include "platform/Value.h"
#include "store/TalvDatabase.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace talv {

class ChatImageWindowController;

// What the controller asks of its window.
class ImageWindow {
public:
    virtual ~ImageWindow() = default;
    // Shows the picture in the window's image view.
    virtual void showImage(const Bytes& picture) = 0;
    // The visible frame of the main screen (without panels and docks).
    virtual PictureSize visibleScreenFrame() const = 0;
    // Resizes the window frame, keeping its origin, and redraws.
    virtual void setFrameSize(PictureSize frame) = 0;
    // The file the window represents (the drag source) and whose name is its title.
    virtual void setRepresentedFile(const std::filesystem::path& file) = 0;
    // Shows the window, brings it to the front and makes it key.
    virtual void makeKeyAndOrderFront() = 0;
};

// Makes the window for a controller (the controller is the window's delegate and must hear its
// windowWillClose()); nullptr when the window cannot be made.
using ImageWindowFactory = std::function<std::unique_ptr<ImageWindow>(ChatImageWindowController&)>;
// Fetches a stored picture by ID; none when there is none.
using ImageRecordSource = std::function<std::optional<ImageRecord>(std::int64_t pictureID)>;
// The source the viewer uses by default: a transcript store connection of its own per fetch.
std::optional<ImageRecord> storedImageRecord(std::int64_t pictureID);

// The window frame for a picture: when wider than 0.8 of the screen, scaled to that width; else
// when taller than 0.8 of the screen, scaled to that height; the frame adds 16 and 32 points.
PictureSize imageWindowFrameSize(PictureSize picture, PictureSize visibleScreen);

class ChatImageWindowController {
public:
    // The open controller for the picture, brought to the front, or a new one.
    static ChatImageWindowController& windowWithChatImageID(std::int64_t pictureID, const ImageWindowFactory& makeWindow,
                                                            const ImageRecordSource& images);
    // The open controller for the picture, or nullptr.
    static ChatImageWindowController* openController(std::int64_t pictureID);
    // Lets every open controller go, as if its window had closed (when the program ends).
    static void closeAll();

    ChatImageWindowController(std::int64_t pictureID, const ImageWindowFactory& makeWindow, ImageRecordSource images);
    ~ChatImageWindowController();  // deletes the temporary file and its folder
    ChatImageWindowController(const ChatImageWindowController&) = delete;
    ChatImageWindowController& operator=(const ChatImageWindowController&) = delete;

    // Loads the picture into the window, sizes the window and writes the temporary file.
    void setImage();
    // The window is closing: the controller leaves the map and goes away.
    void windowWillClose();

    std::int64_t imageID() const { return imageID_; }
    const std::optional<std::filesystem::path>& tempFileName() const { return tempFileName_; }
    ImageWindow* window() const { return window_.get(); }

private:
    std::int64_t imageID_;
    std::optional<std::filesystem::path> tempFolder_;
    std::optional<std::filesystem::path> tempFileName_;
    ImageRecordSource images_;
    std::unique_ptr<ImageWindow> window_;
};

// The temporary file of a picture in `folder`: its stored name's last path component, or a fresh
// "iChatImage-" name when there is no usable name.
std::filesystem::path imageViewerTemporaryFile(const std::filesystem::path& folder,
                                               const std::optional<std::string>& storedName);

}  // namespace talv
