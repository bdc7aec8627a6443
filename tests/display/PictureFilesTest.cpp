#include "display/PictureFiles.h"

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/PrivateFiles.h"
#include "tests/display/PictureFixtures.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace fs = std::filesystem;

namespace talv {

TEST(PictureFiles, ThumbnailsFitIn128Points) {
    EXPECT_EQ(thumbnailSize({400, 200}), (PictureSize{128, 64}));
    EXPECT_EQ(thumbnailSize({100, 300}), (PictureSize{42, 128}));
    EXPECT_EQ(thumbnailSize({100, 100}), (PictureSize{100, 100}));
    EXPECT_EQ(thumbnailSize({128, 128}), (PictureSize{128, 128}));
    EXPECT_EQ(thumbnailSize({129, 1}), (PictureSize{128, 0}));
}

TEST(PictureFiles, InspectsPicturesAndRejectsOtherBytes) {
    auto png = inspectPicture(test::makePicture(400, 200));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, 400);
    EXPECT_EQ(png->height, 200);
    EXPECT_EQ(png->format, "png");
    auto tiff = inspectPicture(test::makePicture(3, 5, "tiff"));
    ASSERT_TRUE(tiff);
    EXPECT_EQ(tiff->format, "tiff");
    EXPECT_FALSE(inspectPicture(Bytes{}));
    EXPECT_FALSE(inspectPicture(Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}));
}

TEST(PictureFiles, InlinePicturesStayInTheirPrivateFolderUnderTheirContentsName) {
    const Bytes png = test::makePicture(10, 10);
    // A name with "/" and ".." is one component inside the folder.
    fs::path file = writeInlinePictureForDisplay("../../escape/x.png", png, *inspectPicture(png)).value();
    EXPECT_EQ(file.parent_path(), privateTemporaryFolder());
    EXPECT_TRUE(file.filename().string().ends_with("-.._.._escape_x.png"));
    EXPECT_EQ(test::readFile(file), std::string(png.begin(), png.end()));
    EXPECT_FALSE(fs::exists(Paths::temporary() / "escape"));

    // Written once: an existing file is reused as it stands; other contents get another file.
    test::writeFile(file, "kept");
    EXPECT_EQ(writeInlinePictureForDisplay("../../escape/x.png", png, *inspectPicture(png)), file);
    EXPECT_EQ(test::readFile(file), "kept");
    const Bytes other = test::makePicture(11, 10);
    EXPECT_NE(writeInlinePictureForDisplay("../../escape/x.png", other, *inspectPicture(other)), file);

    // A very long name still makes a file name the file system takes, ending as the stored one.
    const std::string longName = std::string(300, 'n') + ".png";
    fs::path shortened = writeInlinePictureForDisplay(longName, png, *inspectPicture(png)).value();
    EXPECT_TRUE(fs::exists(shortened));
    EXPECT_TRUE(shortened.filename().string().ends_with("nnn.png"));
}

TEST(PictureFiles, TemporaryFilesAreTheUsersAlone) {
    const std::string previous = Paths::temporary().string();
    test::TempDir shared;
    setenv("TMPDIR", shared.path().c_str(), 1);
    // Someone made the usual folder first and left it open: it is not used, nor is a file planted
    // under the old predictable name touched.
    const fs::path taken = shared / ("talvessa-" + std::to_string(getuid()));
    fs::create_directories(taken);
    fs::permissions(taken, fs::perms::all);
    test::writeFile(shared / "Tal-7-photo.png", "planted");

    const Bytes png = test::makePicture(4, 4);
    fs::path file = writeInlinePictureForDisplay("photo.png", png, *inspectPicture(png)).value();
    struct stat folder {}, written {};
    ASSERT_EQ(lstat(file.parent_path().c_str(), &folder), 0);
    ASSERT_EQ(lstat(file.c_str(), &written), 0);
    EXPECT_NE(file.parent_path(), taken);
    EXPECT_EQ(file.parent_path().parent_path(), shared.path());
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_EQ(written.st_mode & 0777, 0600u);
    EXPECT_TRUE(fs::is_empty(taken));
    EXPECT_EQ(test::readFile(shared / "Tal-7-photo.png"), "planted");
    setenv("TMPDIR", previous.c_str(), 1);
}

TEST(PictureFiles, OnlyCommonTypesOfSaneSizeAreDecoded) {
    // A portable pixmap decodes with GdkPixbuf's loaders but is no picture type of a chat.
    const std::string pnm = std::string("P6\n1 1\n255\n") + std::string(3, '\0');
    EXPECT_FALSE(inspectPicture(Bytes(pnm.begin(), pnm.end())));

    // A PNG header claiming 20000 by 20000 pixels is refused before its pixels are decoded.
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (std::uint32_t side : {20000u, 20000u})
        for (int shift : {24, 16, 8, 0}) png.push_back(static_cast<std::uint8_t>(side >> shift));
    png.insert(png.end(), {8, 2, 0, 0, 0});
    const uLong crc = crc32(0, png.data() + 12, 17);
    for (int shift : {24, 16, 8, 0}) png.push_back(static_cast<std::uint8_t>(crc >> shift));
    png.insert(png.end(), {0, 0, 0x10, 0, 'I', 'D', 'A', 'T', 0x78, 0x9c});  // the pixels would start here
    LogCapture log;
    EXPECT_FALSE(inspectPicture(png));
    EXPECT_TRUE(log.contains("A picture of 20000 by 20000 pixels is not shown"));
}

TEST(PictureFiles, SenderPicturesAreWrittenAsPNG) {
    const Bytes jpeg = test::makePicture(48, 48, "jpeg");
    auto icon = userIconFile("0A1B:ABPerson/x", &jpeg);
    ASSERT_TRUE(icon);
    EXPECT_EQ(*icon, *privateTemporaryFolder() / "Tal_UserIcon_0A1BABPersonx.png");
    std::string written = test::readFile(*icon);
    EXPECT_EQ(inspectPicture(Bytes(written.begin(), written.end()))->format, "png");
    // Once written, the file serves without the picture.
    EXPECT_EQ(userIconFile("0A1B:ABPerson/x", nullptr), icon);

    const Bytes garbage{'x', 'y'};
    EXPECT_FALSE(userIconFile("NO-PICTURE", nullptr));
    EXPECT_FALSE(userIconFile("BAD-PICTURE", &garbage));
    EXPECT_FALSE(userIconFile(":/", &jpeg));
}

}  // namespace talv
