#include "import/TranscriptWalk.h"
#include "tests/import/FaultInjectingFileSystem.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
using talv::Date;
using talv::FileSystem;
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
Walked walk(const fs::path& folder, const std::vector<std::string_view>& extensions, Date threshold,
            const FileSystem& fileSystem = FileSystem::local()) {
    const TranscriptWalk walk(fileSystem, folder, extensions, threshold);
    Walked out;
    out.survey = walk.survey([&](const TranscriptFile& f) { out.surveyed.push_back(f.path.filename().string()); });
    EXPECT_FALSE(walk.forEachTaken([&](const TranscriptFile& f) {
                         out.read.push_back(f.path.filename().string());
                         return true;
                     }).stopped);
    EXPECT_EQ(out.read, out.surveyed);
    EXPECT_EQ(out.survey.taken, out.read.size());
    return out;
}

Date changeOf(const fs::path& path) {
    std::error_code ec;
    auto info = FileSystem::local().stat(path, ec);
    return std::max(info->modified, info->statusChanged);
}

}  // namespace

TEST(TranscriptWalk, TakesExactExtensionsChangedAfterTheThresholdMovedInFilesIncluded) {
    TempDir dir;
    for (const char* name : {"a.ichat", "sub/deeper/b.chat", "c.ICHAT", "d.ichat.bak", "e.txt", "moved.ichat"}) {
        writeFile(dir / name, "x");
        talv::test::setModificationDate(dir / name, 1200000000);
    }
    // Moved in with a date before 2001: its status changed now, so it is new to the folder.
    talv::test::setModificationDate(dir / "moved.ichat", 900000000);

    auto fresh = walk(dir.path(), {"ichat", "chat"}, kTranscriptEpoch);
    EXPECT_EQ(fresh.read, (std::vector<std::string>{"a.ichat", "moved.ichat", "b.chat"}));
    EXPECT_EQ(fresh.survey.newest, std::max({changeOf(dir / "a.ichat"), changeOf(dir / "moved.ichat"),
                                             changeOf(dir / "sub/deeper/b.chat")}));
    EXPECT_TRUE(fresh.survey.complete);

    auto none = walk(dir.path(), {"ichat", "chat"}, fresh.survey.newest);
    EXPECT_TRUE(none.read.empty());
    EXPECT_EQ(none.survey.newest, fresh.survey.newest);

    auto missing = walk(dir / "missing", {"ichat"}, kTranscriptEpoch);
    EXPECT_TRUE(missing.read.empty());
    EXPECT_TRUE(missing.survey.complete);
}

TEST(TranscriptWalk, GoesInPathOrderSkipsFolderLinksAndStopsWhenAsked) {
    TempDir dir;
    for (const char* name : {"b.chat", "a/z.chat", "a.ichat", "a/y/x.chat", "c/d.chat"}) writeFile(dir / name, "x");
    fs::create_directory_symlink(dir / "c", dir / "link");
    EXPECT_EQ(walk(dir.path(), {"ichat", "chat"}, kTranscriptEpoch).read,
              (std::vector<std::string>{"x.chat", "z.chat", "a.ichat", "b.chat", "d.chat"}));

    std::vector<std::string> read;
    auto end = TranscriptWalk(FileSystem::local(), dir.path(), {"chat"}, kTranscriptEpoch).forEachTaken([&](const TranscriptFile& f) {
        read.push_back(f.path.filename().string());
        return read.size() < 2;
    });
    EXPECT_TRUE(end.stopped);
    EXPECT_EQ(read, (std::vector<std::string>{"x.chat", "z.chat"}));
}

TEST(TranscriptWalk, OnlyRegularFilesAndBundlesNeverCompanionsAndAnUnlistedFolderLeavesItIncomplete) {
    TempDir dir;
    writeFile(dir / "a.ichat", "x");
    writeFile(dir / "._a.ichat", "AppleDouble");
    ASSERT_EQ(mkfifo((dir / "pipe.ichat").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "zero.ichat");
    fs::create_symlink(dir / "nothing", dir / "dangling.ichat");
    writeFile(dir / "folder.ichat/inside.ichat", "x");  // only ".chatlog" folders are transcripts
    const fs::path bundle = dir / "Logs/you (2011-12-09T01.13.43-0800).chatlog";
    writeFile(bundle / "you (2011-12-09T01.13.43-0800).xml", "<chat/>");
    writeFile(bundle / "image.png", "png");
    writeFile(bundle / "._image.png", "AppleDouble of the picture");
    talv::test::setModificationDate(bundle / "image.png", 1300000000);
    talv::test::setModificationDate(bundle / "you (2011-12-09T01.13.43-0800).xml", 1300000500);
    talv::test::setModificationDate(bundle / "._image.png", 1300000900);
    talv::test::setModificationDate(bundle, 1300000000);

    std::vector<TranscriptFile> taken;
    const auto survey = TranscriptWalk(FileSystem::local(), dir.path(), {"ichat", "chatlog"}, kTranscriptEpoch).survey([&](const TranscriptFile& f) {
        taken.push_back(f);
    });
    EXPECT_TRUE(survey.complete);
    ASSERT_EQ(taken.size(), 3u);
    // The bundle, never the files inside it: as new as the log growing inside, as large as its files.
    EXPECT_EQ(taken[0].path, bundle);
    EXPECT_EQ(taken[0].attributes.modificationDate, Date{1300000500});
    EXPECT_EQ(taken[0].attributes.size, 10u);
    EXPECT_EQ(taken[1].path, dir / "a.ichat");
    EXPECT_EQ(taken[2].path, dir / "folder.ichat/inside.ichat");

    talv::test::FaultInjectingFileSystem faulty;
    faulty.failListing(dir / "Logs");
    auto incomplete = walk(dir.path(), {"ichat", "chatlog"}, kTranscriptEpoch, faulty);
    EXPECT_FALSE(incomplete.survey.complete);
    EXPECT_EQ(incomplete.read, (std::vector<std::string>{"a.ichat", "inside.ichat"}));
}
