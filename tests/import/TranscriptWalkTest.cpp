#include "import/TranscriptWalk.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>


namespace fs = std::filesystem;
using talv::Date;
using talv::kTranscriptEpoch;
using talv::walkTranscripts;
using talv::test::TempDir;
using talv::test::writeFile;

namespace {

std::vector<std::string> names(const talv::TranscriptWalk& walk) {
    std::vector<std::string> out;
    for (const auto& f : walk.taken) out.push_back(f.path.filename().string());
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

    auto fresh = walkTranscripts(dir.path(), {"ichat", "chat"}, kTranscriptEpoch);
    EXPECT_EQ(names(fresh), (std::vector<std::string>{"a.ichat", "same.ichat", "b.chat"}));
    EXPECT_EQ(fresh.newest, Date{t + 100});

    auto later = walkTranscripts(dir.path(), {"ichat", "chat"}, Date{t});
    EXPECT_EQ(names(later), (std::vector<std::string>{"a.ichat", "b.chat"}));

    auto none = walkTranscripts(dir.path(), {"ichat", "chat"}, Date{t + 100});
    EXPECT_TRUE(none.taken.empty());
    EXPECT_EQ(none.newest, Date{t + 100});

    EXPECT_TRUE(walkTranscripts(dir / "missing", {"ichat"}, kTranscriptEpoch).taken.empty());
}

TEST(TranscriptWalk, AChatlogFolderIsAsNewAsTheLogGrowingInsideIt) {
    TempDir dir;
    const fs::path bundle = dir / "Logs/AIM.me/you/you (2011-12-09T01.13.43-0800).chatlog";
    writeFile(bundle / "you (2011-12-09T01.13.43-0800).xml", "<chat/>");
    writeFile(bundle / "image.png", "png");
    talv::test::setModificationDate(bundle / "image.png", 1300000000);
    talv::test::setModificationDate(bundle / "you (2011-12-09T01.13.43-0800).xml", 1300000500);
    talv::test::setModificationDate(bundle, 1300000000);

    auto walk = walkTranscripts(dir.path(), {"html", "chatlog"}, Date{1300000100});
    ASSERT_EQ(walk.taken.size(), 1u);  // the bundle, never the files inside it
    EXPECT_EQ(walk.taken[0].path, bundle);
    EXPECT_EQ(walk.taken[0].modified, Date{1300000500});
}
