#include "display/PictureFiles.h"
#include "display/StyleBundle.h"
#include "tests/support/TestEnvironment.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <vector>

namespace fs = std::filesystem;

namespace talv {
namespace {

std::vector<fs::path> folderEntries(const fs::path& folder) {
    std::vector<fs::path> entries;
    if (GDir* dir = g_dir_open(folder.c_str(), 0, nullptr)) {
        while (const char* name = g_dir_read_name(dir)) entries.push_back(folder / name);
        g_dir_close(dir);
    }
    return entries;
}

}  // namespace

TEST(BuiltInStyles, EveryStyleHasItsFragmentsIconsAndFonts) {
    int styles = 0;
    for (const fs::path& entry : folderEntries(builtInStylesDirectory())) {
        SCOPED_TRACE(entry.string());
        ASSERT_EQ(entry.extension(), ".talStyle");
        auto style = StyleBundle::open(entry);
        ASSERT_TRUE(style);
        for (const char* folder : {"Incoming", "Outgoing", "System"}) {
            EXPECT_NE(style->resourceText("Begin.html", folder).find("%message%"), std::string::npos) << folder;
            EXPECT_NE(style->resourceText("More.html", folder).find("%message%"), std::string::npos) << folder;
        }
        for (const char* folder : {"Incoming", "Outgoing"}) {
            auto icon = style->pathForResource("DefaultIcon", "png", folder);
            ASSERT_TRUE(icon);
            std::string bytes = test::readFile(*icon);
            auto info = inspectPicture(Bytes(bytes.begin(), bytes.end()));
            ASSERT_TRUE(info);
            EXPECT_EQ(info->format, "png");
        }
        EXPECT_TRUE(style->defaultFontFamily());
        EXPECT_GT(style->defaultFontSize().value_or(0), 8);
        EXPECT_TRUE(style->pathForResource("main", "css"));
        ++styles;
    }
    EXPECT_GE(styles, 3);
    EXPECT_TRUE(fs::is_directory(defaultStylePath()));
}

TEST(BuiltInStyles, MissingFilesCountAsEmpty) {
    test::TempDir dir;
    EXPECT_FALSE(StyleBundle::open(dir / "Nothing.talStyle"));
    test::writeFile(dir / "Odd.talStyle/Contents/Info.plist", "not a property list");
    test::writeFile(dir / "Odd.talStyle/Contents/Resources/Header.html", std::string("\xff\xfe", 2));
    auto style = StyleBundle::open(dir / "Odd.talStyle");
    ASSERT_TRUE(style);
    EXPECT_EQ(style->infoDictionary(), Value(Value::Dictionary{}));
    EXPECT_EQ(style->resourceText("Header.html"), "");
    EXPECT_EQ(style->resourceText("Begin.html", "Incoming"), "");
    EXPECT_FALSE(style->pathForResource("DefaultIcon", "png", "Incoming"));
    EXPECT_FALSE(style->defaultFontFamily());
}

}  // namespace talv
