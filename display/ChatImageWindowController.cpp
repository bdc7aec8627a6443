#include "display/ChatImageWindowController.h"

#include "platform/PrivateFiles.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <glib.h>
#include <unistd.h>

#include <cmath>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace talv {
namespace {

std::map<std::int64_t, std::unique_ptr<ChatImageWindowController>>& openControllers() {
    static std::map<std::int64_t, std::unique_ptr<ChatImageWindowController>> controllers;
    return controllers;
}

}  // namespace

std::optional<ImageRecord> storedImageRecord(std::int64_t pictureID) {
    auto store = TalvDatabase::open();
    return store ? store->imageWithID(pictureID) : std::nullopt;
}

PictureSize imageWindowFrameSize(PictureSize picture, PictureSize visibleScreen) {
    double w = picture.width, h = picture.height;
    double scale = 1;
    if (w > 0.8 * visibleScreen.width) scale = 0.8 * visibleScreen.width / w;
    else if (h > 0.8 * visibleScreen.height) scale = 0.8 * visibleScreen.height / h;
    return {static_cast<int>(std::floor(scale * w)) + 16, static_cast<int>(std::floor(scale * h)) + 32};
}

fs::path imageViewerTemporaryFile(const fs::path& folder, const std::optional<std::string>& storedName) {
    if (storedName) {
        std::string name = storedName->substr(storedName->rfind('/') == std::string::npos ? 0 : storedName->rfind('/') + 1);
        if (!name.empty() && name != "." && name != ".." && name.find('\0') == std::string::npos) return folder / name;
    }
    std::string pattern = (folder / "iChatImage-XXXXXX").string();
    int fd = g_mkstemp_full(pattern.data(), O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) close(fd);
    return pattern;
}

ChatImageWindowController& ChatImageWindowController::windowWithChatImageID(std::int64_t pictureID,
                                                                            const ImageWindowFactory& makeWindow,
                                                                            const ImageRecordSource& images) {
    auto& controllers = openControllers();
    if (auto open = controllers.find(pictureID); open != controllers.end()) {
        if (open->second->window_) open->second->window_->makeKeyAndOrderFront();
        return *open->second;
    }
    auto& slot = controllers[pictureID];
    slot = std::make_unique<ChatImageWindowController>(pictureID, makeWindow, images);
    return *slot;
}

ChatImageWindowController* ChatImageWindowController::openController(std::int64_t pictureID) {
    auto& controllers = openControllers();
    auto open = controllers.find(pictureID);
    return open == controllers.end() ? nullptr : open->second.get();
}

void ChatImageWindowController::closeAll() {
    // Taken out of the map first: a closing window may look itself up.
    auto controllers = std::move(openControllers());
    openControllers().clear();
    controllers.clear();
}

ChatImageWindowController::ChatImageWindowController(std::int64_t pictureID, const ImageWindowFactory& makeWindow,
                                                     ImageRecordSource images)
    : imageID_(pictureID), images_(std::move(images)), window_(makeWindow ? makeWindow(*this) : nullptr) {
    if (!window_) return;
    setImage();
    window_->makeKeyAndOrderFront();
}

ChatImageWindowController::~ChatImageWindowController() {
    if (tempFolder_) {
        std::error_code ec;
        fs::remove_all(*tempFolder_, ec);
    }
}

void ChatImageWindowController::setImage() {
    if (!window_ || !images_) return;
    auto record = images_(imageID_);
    if (!record || !record->Data) return;
    auto info = inspectPicture(*record->Data);
    if (!info) return;

    window_->showImage(*record->Data);
    window_->setFrameSize(imageWindowFrameSize({info->width, info->height}, window_->visibleScreenFrame()));

    // A folder of this window's own: two windows of pictures with the same name never share a file,
    // and nothing outside it is written or removed.
    if (!tempFolder_) tempFolder_ = freshPrivateFolder("viewer-");
    if (!tempFolder_) return;
    tempFileName_ = imageViewerTemporaryFile(*tempFolder_, record->Filename);
    const Bytes& bytes = *record->Data;
    (void)writePrivateFile(*tempFileName_, bytes.data(), bytes.size());  // a failed write still names the window
    window_->setRepresentedFile(*tempFileName_);
}

void ChatImageWindowController::windowWillClose() {
    auto& controllers = openControllers();
    auto open = controllers.find(imageID_);
    if (open == controllers.end() || open->second.get() != this) return;
    std::unique_ptr<ChatImageWindowController> self = std::move(open->second);
    controllers.erase(open);
}

}  // namespace talv
