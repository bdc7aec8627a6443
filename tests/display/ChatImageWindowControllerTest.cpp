#include "display/ChatImageWindowController.h"

#include "platform/Paths.h"
#include "platform/PrivateFiles.h"
#include "tests/display/PictureFixtures.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <map>

namespace fs = std::filesystem;

namespace talv {
namespace {

struct WindowLog {
    int made = 0;
    int broughtToFront = 0;
    std::optional<PictureSize> frame;
    std::optional<fs::path> representedFile;
};

class FakeWindow : public ImageWindow {
public:
    explicit FakeWindow(WindowLog& log) : log_(log) {}
    void showImage(const Bytes&) override {}
    PictureSize visibleScreenFrame() const override { return {1000, 700}; }
    void setFrameSize(PictureSize frame) override { log_.frame = frame; }
    void setRepresentedFile(const fs::path& file) override { log_.representedFile = file; }
    void makeKeyAndOrderFront() override { ++log_.broughtToFront; }

private:
    WindowLog& log_;
};

TEST(ChatImageWindowController, SizesTheWindowWithinMostOfTheScreen) {
    const PictureSize screen{1000, 700};
    EXPECT_EQ(imageWindowFrameSize({1200, 600}, screen), (PictureSize{816, 432}));
    EXPECT_EQ(imageWindowFrameSize({500, 1000}, screen), (PictureSize{296, 592}));
    EXPECT_EQ(imageWindowFrameSize({400, 300}, screen), (PictureSize{416, 332}));
    // Width is tested first and only one limit applies.
    EXPECT_EQ(imageWindowFrameSize({2000, 3000}, screen), (PictureSize{816, 1232}));
}

TEST(ChatImageWindowController, OneWindowPerPictureAndAPrivateTemporaryFileWhileOpen) {
    std::map<std::int64_t, ImageRecord> stored{
        {1, {1, test::makePicture(1200, 600), "holiday.png", 5}},
        {2, {2, test::makePicture(10, 10), std::nullopt, 5}},
        {3, {3, test::makePicture(10, 10), "../../outside.png", 5}},
        {4, {4, Bytes{'b', 'a', 'd'}, "bad.png", 5}},
        {5, {5, test::makePicture(20, 20), "holiday.png", 6}},
    };
    auto images = [&](std::int64_t id) -> std::optional<ImageRecord> {
        auto found = stored.find(id);
        return found == stored.end() ? std::nullopt : std::optional(found->second);
    };
    WindowLog log;
    auto makeWindow = [&](ChatImageWindowController&) {
        ++log.made;
        return std::make_unique<FakeWindow>(log);
    };
    // A file of the same name in the shared temporary folder is none of the viewer's business.
    const fs::path unrelated = Paths::temporary() / "holiday.png";
    test::writeFile(unrelated, "someone else's");

    ChatImageWindowController& first = ChatImageWindowController::windowWithChatImageID(1, makeWindow, images);
    ChatImageWindowController& again = ChatImageWindowController::windowWithChatImageID(1, makeWindow, images);
    EXPECT_EQ(&first, &again);
    EXPECT_EQ(log.made, 1);
    EXPECT_EQ(log.broughtToFront, 2);
    EXPECT_EQ(log.frame, (PictureSize{816, 432}));
    ASSERT_TRUE(first.tempFileName());
    const fs::path file = *first.tempFileName();
    EXPECT_EQ(log.representedFile, file);
    EXPECT_EQ(file.filename(), "holiday.png");
    EXPECT_EQ(file.parent_path().parent_path(), privateTemporaryFolder());
    EXPECT_EQ(test::readFile(file).size(), stored[1].Data->size());
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    // Another picture of the same name has a file of its own, which outlives the first window.
    ChatImageWindowController& sameName = ChatImageWindowController::windowWithChatImageID(5, makeWindow, images);
    ASSERT_TRUE(sameName.tempFileName());
    EXPECT_NE(*sameName.tempFileName(), file);
    first.windowWillClose();
    EXPECT_EQ(ChatImageWindowController::openController(1), nullptr);
    EXPECT_FALSE(fs::exists(file.parent_path()));
    EXPECT_TRUE(fs::exists(*sameName.tempFileName()));
    EXPECT_EQ(test::readFile(unrelated), "someone else's");
    ChatImageWindowController::windowWithChatImageID(1, makeWindow, images);
    EXPECT_TRUE(fs::exists(*ChatImageWindowController::openController(1)->tempFileName()));
    EXPECT_EQ(log.made, 3);
    ChatImageWindowController::openController(1)->windowWillClose();

    // Without a file name the copy gets a fresh name; a name never leaves the window's folder.
    ChatImageWindowController& unnamed = ChatImageWindowController::windowWithChatImageID(2, makeWindow, images);
    ASSERT_TRUE(unnamed.tempFileName());
    EXPECT_EQ(unnamed.tempFileName()->filename().string().rfind("iChatImage-", 0), 0u);
    ChatImageWindowController& named = ChatImageWindowController::windowWithChatImageID(3, makeWindow, images);
    ASSERT_TRUE(named.tempFileName());
    EXPECT_EQ(named.tempFileName()->filename(), "outside.png");
    EXPECT_EQ(named.tempFileName()->parent_path().parent_path(), privateTemporaryFolder());

    // A picture that does not decode leaves the window empty, without a file.
    log.frame.reset();
    ChatImageWindowController& bad = ChatImageWindowController::windowWithChatImageID(4, makeWindow, images);
    EXPECT_FALSE(bad.tempFileName());
    EXPECT_FALSE(log.frame);

    // Without a window the controller still stays in the map.
    ChatImageWindowController::windowWithChatImageID(9, [](ChatImageWindowController&) { return nullptr; }, images);
    EXPECT_NE(ChatImageWindowController::openController(9), nullptr);
    const fs::path outside = *named.tempFileName();
    for (std::int64_t id : {2, 3, 4, 5, 9}) ChatImageWindowController::openController(id)->windowWillClose();
    EXPECT_FALSE(fs::exists(outside));
}

}  // namespace
}  // namespace talv
