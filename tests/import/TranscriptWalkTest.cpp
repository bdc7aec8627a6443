#include "import/TranscriptWalk.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>


namespace fs = std::filesystem;
using talv::Date;
using talv::kTranscriptEpoch;
using talv::TranscriptFile;
using talv::TranscriptWalk;
using talv::test::TempDir;
using talv::test::writeFile;

namespace {

struct Walked {
    std::vector<std::string> surveyed, read;
    talv::TranscriptSurvey survey;
};

// What a pass sees: the survey's files and the files read, by name.
Walked walk(const fs::path& folder, const std::vector<std::string_view>& extensions, Date threshold) {
    const TranscriptWalk walk(folder, extensions, threshold);
    Walked out;
    out.survey = walk.survey([&](const TranscriptFile& f) { out.surveyed.push_back(f.path.filename().string()); });
    EXPECT_TRUE(walk.forEachTaken([&](const TranscriptFile& f) {
        out.read.push_back(f.path.filename().string());
        return true;
    }));
    EXPECT_EQ(out.read, out.surveyed);
    EXPECT_EQ(out.survey.taken, out.read.size());
    return out;
}

}  // namespace

TEST(TranscriptWalk, TakesExactExtensionsStrictlyLaterThanTheThreshold) {
    TempDir dir;
    const double t = 1200000000;
    for (const char* name : {"a.ichat", "sub/deeper/b.chat", "c.ICHAT", "d.ichat.bak", "e.txt", "old.ichat", "same.ichat"}) {
        writeFile(dir / name, "x");
        talv::test::setModificationDate(dir / name, t + 100);
    }
    talv::test::setModificationDate(dir / "old.ichat", 900000000);  // before 2001
    talv::test::setModificationDate(dir / "same.ichat", t);

    auto fresh = walk(dir.path(), {"ichat", "chat"}, kTranscriptEpoch);
    EXPECT_EQ(fresh.read, (std::vector<std::string>{"a.ichat", "same.ichat", "b.chat"}));
    EXPECT_EQ(fresh.survey.newest, Date{t + 100});

    EXPECT_EQ(walk(dir.path(), {"ichat", "chat"}, Date{t}).read, (std::vector<std::string>{"a.ichat", "b.chat"}));

    auto none = walk(dir.path(), {"ichat", "chat"}, Date{t + 100});
    EXPECT_TRUE(none.read.empty());
    EXPECT_EQ(none.survey.newest, Date{t + 100});

    EXPECT_TRUE(walk(dir / "missing", {"ichat"}, kTranscriptEpoch).read.empty());
}

TEST(TranscriptWalk, GoesInPathOrderSkipsFolderLinksAndStopsWhenAsked) {
    TempDir dir;
    for (const char* name : {"b.chat", "a/z.chat", "a.ichat", "a/y/x.chat", "c/d.chat"}) writeFile(dir / name, "x");
    fs::create_directory_symlink(dir / "c", dir / "link");
    EXPECT_EQ(walk(dir.path(), {"ichat", "chat"}, kTranscriptEpoch).read,
              (std::vector<std::string>{"x.chat", "z.chat", "a.ichat", "b.chat", "d.chat"}));

    std::vector<std::string> read;
    EXPECT_FALSE(TranscriptWalk(dir.path(), {"chat"}, kTranscriptEpoch).forEachTaken([&](const TranscriptFile& f) {
        read.push_back(f.path.filename().string());
        return read.size() < 2;
    }));
    EXPECT_EQ(read, (std::vector<std::string>{"x.chat", "z.chat"}));
}

TEST(TranscriptWalk, AChatlogFolderIsAsNewAsTheLogGrowingInsideIt) {
    TempDir dir;
    const fs::path bundle = dir / "Logs/AIM.me/you/you (2011-12-09T01.13.43-0800).chatlog";
    writeFile(bundle / "you (2011-12-09T01.13.43-0800).xml", "<chat/>");
    writeFile(bundle / "image.png", "png");
    talv::test::setModificationDate(bundle / "image.png", 1300000000);
    talv::test::setModificationDate(bundle / "you (2011-12-09T01.13.43-0800).xml", 1300000500);
    talv::test::setModificationDate(bundle, 1300000000);

    std::vector<TranscriptFile> taken;
    TranscriptWalk(dir.path(), {"html", "chatlog"}, Date{1300000100}).survey([&](const TranscriptFile& f) { taken.push_back(f); });
    ASSERT_EQ(taken.size(), 1u);  // the bundle, never the files inside it
    EXPECT_EQ(taken[0].path, bundle);
    EXPECT_EQ(taken[0].modified, Date{1300000500});
}
