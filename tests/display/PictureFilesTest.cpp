#include "display/PictureFiles.h"

#include "platform/Paths.h"
#include "tests/display/PictureFixtures.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

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

TEST(PictureFiles, InlinePicturesStayInTheTemporaryFolder) {
    const fs::path tmp = Paths::temporary();
    const Bytes png = test::makePicture(10, 10);
    // A name with "/" and ".." is one component inside the temporary folder.
    fs::path file = writeInlinePictureForDisplay(7, "../../escape/x.png", png, *inspectPicture(png));
    EXPECT_EQ(file.parent_path(), tmp);
    EXPECT_EQ(file.filename(), "Tal-7-.._.._escape_x.png");
    EXPECT_EQ(test::readFile(file), std::string(png.begin(), png.end()));
    EXPECT_FALSE(fs::exists(tmp.parent_path() / "escape"));

    // Written once: an existing file is reused as it stands.
    test::writeFile(file, "kept");
    EXPECT_EQ(writeInlinePictureForDisplay(7, "../../escape/x.png", png, *inspectPicture(png)), file);
    EXPECT_EQ(test::readFile(file), "kept");
}

TEST(PictureFiles, PicturesTheWebViewCannotShowAreConvertedToPNG) {
    const Bytes tiff = test::makePicture(20, 30, "tiff");
    fs::path file = writeInlinePictureForDisplay(8, "scan.tiff", tiff, *inspectPicture(tiff));
    EXPECT_EQ(file.filename(), "Tal-8-scan.tiff.png");
    std::string written = test::readFile(file);
    auto shown = inspectPicture(Bytes(written.begin(), written.end()));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->format, "png");
    EXPECT_EQ(shown->width, 20);
    EXPECT_EQ(shown->height, 30);
}

TEST(PictureFiles, SenderPicturesAreWrittenAsPNG) {
    const Bytes jpeg = test::makePicture(48, 48, "jpeg");
    auto icon = userIconFile("0A1B:ABPerson/x", &jpeg);
    ASSERT_TRUE(icon);
    EXPECT_EQ(*icon, Paths::temporary() / "Tal_UserIcon_0A1BABPersonx.png");
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
