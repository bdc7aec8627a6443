// talvessa-cli show over an archive indexed from real transcripts.
#include "tests/cli/CliArchive.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <regex>

namespace {

namespace fs = std::filesystem;
using talv::test::CliResult;
using talv::test::runOnArchive;

// The archive is indexed from the corpus.
class ShowCommand : public talv::test::CorpusTest {};

const std::string kAimChat = "aimdest (2011-12-09T01.13.43-0800).chatlog";

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

TEST_F(ShowCommand, RendersAChatWithSearchMarksAndPictures) {
    const std::string aim = talv::test::chatIDOf(kAimChat);
    talv::test::TempDir out;
    const fs::path page = out / "chat.html";
    const CliResult shown = runOnArchive({"show", aim, "--search", "MESSAGE", "--output", page.string()});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_TRUE(shown.out.empty());
    const std::string html = talv::test::readFile(page);
    EXPECT_NE(html.find("function jumpToAnchor("), std::string::npos);
    // The page stands alone: titled, its base the copy of the style beside it.
    EXPECT_NE(html.find("<title>aimsource, aimdest – 12/9/11 4:13 AM</title>"), std::string::npos);
    EXPECT_NE(html.find("<base href=\"chat_files/Default.talStyle/\">"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(out / "chat_files/Default.talStyle/main.css"));
    // Every "message" of the transcript is marked, keeping its own case; none inside a tag.
    EXPECT_EQ(occurrences(html, "<div class=\"highlighted_word\">message</div>"), 6u);
    EXPECT_EQ(occurrences(html, "<a id=\"_TEXT-"), 6u);
    EXPECT_EQ(html.find("MESSAGE"), std::string::npos);
    EXPECT_NE(html.find("char&gt;<a id=\"_TEXT-"), std::string::npos);  // a ">" in a message is escaped

    // Another style, to standard output; ids are fresh at every render.
    const CliResult compact = runOnArchive({"show", aim, "--search", "message", "--style", "Compact"});
    ASSERT_EQ(compact.exitCode, 0) << compact.err;
    EXPECT_NE(compact.out.find("Compact.talStyle/Contents/Resources/"), std::string::npos);
    std::smatch firstID;
    ASSERT_TRUE(std::regex_search(html, firstID, std::regex("_TEXT-[0-9A-F-]+")));
    EXPECT_EQ(compact.out.find(firstID.str()), std::string::npos);

    // The inline picture is written where the page's image source points.
    const CliResult picture = runOnArchive({"show", talv::test::chatIDOf(talv::test::kPictureChatFile)});
    ASSERT_EQ(picture.exitCode, 0) << picture.err;
    std::smatch image;
    ASSERT_TRUE(std::regex_search(picture.out, image,
                                  std::regex("<a id=\"_IMAGE-[0-9A-F-]+\" class=\"inherited_frame\" href=\"talvimage://[0-9]+\">"
                                             "<img src=\"(file://[^\"]+)\" width=\"1\" height=\"1\"")))
        << picture.out;
    gchar* file = g_filename_from_uri(image[1].str().c_str(), nullptr, nullptr);
    ASSERT_NE(file, nullptr);
    const std::string written = talv::test::readFile(file);
    g_free(file);
    EXPECT_EQ(written.substr(1, 3), "PNG");
    EXPECT_NE(picture.out.find("a dot for you"), std::string::npos);

    // Saved to a file, the page shows a copy of the picture beside it.
    const CliResult saved = runOnArchive({"show", talv::test::chatIDOf(talv::test::kPictureChatFile), "--output", page.string()});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const std::string savedHTML = talv::test::readFile(page);
    ASSERT_TRUE(std::regex_search(savedHTML, image, std::regex("<img src=\"\\.\\./(Tal-[^\"]+)\""))) << savedHTML;
    EXPECT_EQ(talv::test::readFile(out / "chat_files" / image[1].str()), written);
}

TEST_F(ShowCommand, NoSelectionPageAndBadRequests) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{"show", "--none"}, {"show"}}) {
        const CliResult none = runOnArchive(args);
        ASSERT_EQ(none.exitCode, 0) << none.err;
        EXPECT_NE(none.out.find("No chat transcript is selected."), std::string::npos) << none.out;
        EXPECT_EQ(none.out.find("_TEXT-"), std::string::npos);
    }

    talv::test::TempDir out;
    const fs::path page = out / "missing.html";
    const CliResult missing = runOnArchive({"show", "4242", "--output", page.string()});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("4242"), std::string::npos) << missing.err;
    EXPECT_TRUE(missing.out.empty());
    EXPECT_FALSE(fs::exists(page));

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"show", "12abc"}, {"show", "1", "--none"}, {"show", "1", "2"}, {"show", "1", "--style", "No Such Style"}}) {
        const CliResult bad = runOnArchive(args);
        EXPECT_EQ(bad.exitCode, 2) << args.back();
        EXPECT_TRUE(bad.out.empty());
        EXPECT_FALSE(bad.err.empty());
    }
}

}  // namespace
