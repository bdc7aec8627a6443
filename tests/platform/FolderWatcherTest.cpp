#include "platform/FolderWatcher.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using talv::test::TempDir;
using talv::test::writeFile;

TEST(FolderWatcher, ReportsEntriesAddedRenamedAndRemovedInTheWatchedFolder) {
    TempDir dir;
    talv::FolderWatcher watcher;
    ASSERT_TRUE(watcher.valid());
    watcher.watch(dir.path().string());

    EXPECT_TRUE(watcher.wait(std::chrono::milliseconds(50)).changedFolders.empty());
    writeFile(dir / "new.ichat", "x");
    auto events = watcher.wait(std::chrono::milliseconds(2000));
    ASSERT_FALSE(events.changedFolders.empty());
    EXPECT_EQ(events.changedFolders.front(), dir.path().string());
    EXPECT_FALSE(events.error);

    fs::rename(dir / "new.ichat", dir / "renamed.ichat");
    EXPECT_FALSE(watcher.wait(std::chrono::milliseconds(2000)).changedFolders.empty());
    fs::remove(dir / "renamed.ichat");
    EXPECT_FALSE(watcher.wait(std::chrono::milliseconds(2000)).changedFolders.empty());
}

TEST(FolderWatcher, AFolderThatCannotBeWatchedOrGoesAwayIsAnError) {
    TempDir dir;
    {
        talv::FolderWatcher watcher;
        watcher.watch((dir / "missing").string());
        EXPECT_TRUE(watcher.wait(std::chrono::milliseconds(10)).error);
    }
    fs::create_directories(dir / "gone");
    talv::FolderWatcher watcher;
    watcher.watch((dir / "gone").string());
    fs::remove(dir / "gone");
    EXPECT_TRUE(watcher.wait(std::chrono::milliseconds(2000)).error);
}
