// talvessa-cli delete, open and reveal on an archive of their own.
#include "platform/UserDefaults.h"
#include "store/TalvDatabase.h"
#include "tests/cli/CliArchive.h"
#include "tools/ArchiveWriter.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace talv;

namespace {

class ChatCommands : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
        tools::ArchiveOptions options;
        options.seed = 11;
        options.chats = 4;
        options.messagesPerChat = 3;
        tools::writeArchive(home_, tools::generateArchiveContent(options));
        ASSERT_EQ(run({"index"}).exitCode, 0);
    }

    test::CliResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--transcripts-home", home_.string()});
        return test::runCli(args);
    }

    // The listed chats' IDs with their transcript files.
    std::vector<std::pair<std::string, std::string>> listed() {
        std::vector<std::pair<std::string, std::string>> chats;
        auto store = TalvDatabase::open();
        for (const test::Chat& chat : test::listJsonOn(home_, {"--when", "All"}).chats) {
            auto rs = store->db().executeQuery("SELECT FilePath FROM Chats WHERE ROWID = ?;", {std::stoll(chat.at("id"))});
            chats.emplace_back(chat.at("id"), rs && rs->next() ? rs->stringForColumn("FilePath").value_or("") : "");
        }
        return chats;
    }

    test::TempDir dir_;
    const fs::path home_ = dir_ / "mac";
};

TEST_F(ChatCommands, DeleteTakesTheTrashSettingAndKeepsTheChatWhenTheTrashFails) {
    auto chats = listed();
    ASSERT_EQ(chats.size(), 4u);
    const auto [first, firstFile] = chats[0];
    const auto [second, secondFile] = chats[1];

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"delete"}, {"delete", "x1"}, {"delete", first, "--trash", "--keep-file"}, {"open"}, {"reveal", "1", "2"}}) {
        EXPECT_EQ(run(bad).exitCode, 2) << bad.back();
    }

    // No Trash can be made where a file stands in its place: the chat stays until told otherwise.
    const fs::path trash = dir_ / "data/Trash";
    test::writeFile(trash, "in the way");
    const test::CliResult refused = run({"delete", first, "--trash"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("could not be moved to the Trash"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--keep-file"), std::string::npos) << refused.err;
    EXPECT_EQ(listed().size(), 4u);
    EXPECT_TRUE(fs::exists(firstFile));

    const test::CliResult kept = run({"delete", first, "--keep-file"});
    EXPECT_EQ(kept.exitCode, 0) << kept.err;
    EXPECT_EQ(kept.out, "Deleted chat " + first + "\n");
    EXPECT_TRUE(fs::exists(firstFile));
    ASSERT_EQ(run({"index"}).exitCode, 0);
    EXPECT_EQ(listed().size(), 3u) << "indexing never reads a deleted chat's file again";
    for (const char* command : {"delete", "open", "reveal", "show"}) {
        const test::CliResult again = run({command, first});
        EXPECT_EQ(again.exitCode, 1) << command;
        EXPECT_NE(again.err.find("holds no chat " + first), std::string::npos) << command << ": " << again.err;
    }

    // The preference moves the file to the Trash without --trash.
    fs::remove(trash);
    ASSERT_TRUE(UserDefaults::standard().setObject("MoveToTrashOnDelete", true));
    const test::CliResult trashed = run({"delete", second});
    EXPECT_EQ(trashed.exitCode, 0) << trashed.err;
    EXPECT_NE(trashed.out.find((trash / "files").string()), std::string::npos) << trashed.out;
    EXPECT_FALSE(fs::exists(secondFile));
    EXPECT_TRUE(fs::exists(trash / "files" / fs::path(secondFile).filename()));
    ASSERT_TRUE(UserDefaults::standard().removeObjectForKey("MoveToTrashOnDelete"));
}

}  // namespace
