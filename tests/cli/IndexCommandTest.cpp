// talvessa-cli index and watch, run as subprocesses over a home in every transcript format.
#include "tests/cli/CliArchive.h"
#include "store/TalvDatabase.h"
#include "tools/ArchiveWriter.h"
#include "tools/IChatTranscript.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <thread>

namespace fs = std::filesystem;
using namespace talv;

namespace {

// Each test indexes into an archive and a cache of its own.
class IndexCommand : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", (home_ / "data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (home_ / "cache").c_str(), 1);
    }

    // "Read I iChat, A Adium and F Fire transcripts; the archive holds N chats." as {I, A, F, N}.
    // A home of `chats` generated transcripts in every format.
    fs::path writeTranscripts(int chats) {
        tools::ArchiveOptions options;
        options.seed = 3;
        options.chats = chats;
        options.messagesPerChat = 6;
        const fs::path transcripts = home_ / "mac";
        tools::writeArchive(transcripts, tools::generateArchiveContent(options));
        return transcripts;
    }

    static std::vector<int> summary(const std::string& out) {
        std::vector<int> n(4, -1);
        const auto at = out.find("Read ");
        if (at == std::string::npos ||
            std::sscanf(out.c_str() + at, "Read %d iChat, %d Adium and %d Fire transcripts; the archive holds %d chats.",
                        &n[0], &n[1], &n[2], &n[3]) != 4)
            ADD_FAILURE() << "no summary in: " << out;
        return n;
    }

    test::TempDir home_;
};

}  // namespace

TEST_F(IndexCommand, ReadsEveryTranscriptOnceAndNothingTheSecondTime) {
    const fs::path transcripts = writeTranscripts(30);

    auto first = test::runCli({"--transcripts-home", transcripts.string(), "index"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const auto read = summary(first.out);
    // Off a terminal: one line per finished pass, each naming its client, and no log lines.
    EXPECT_EQ(first.err, fmt::format("Scanning iChat transcript {0} of {0}...\nScanning Adium transcript {1} of {1}...\n"
                                     "Scanning Fire transcript {2} of {2}...\n",
                                     read[0], read[1], read[2]));
    EXPECT_EQ(read[0] + read[1] + read[2], 30);
    EXPECT_GT(read[0], 0);
    EXPECT_GT(read[1], 0);
    EXPECT_GT(read[2], 0);
    EXPECT_EQ(read[3], 30);

    auto second = test::runCli({"--transcripts-home", transcripts.string(), "index"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(summary(second.out), (std::vector<int>{0, 0, 0, 30}));
}

TEST_F(IndexCommand, WatchIndexesANewTranscriptAndStopsCleanlyOnInterrupt) {
    const fs::path transcripts = home_ / "mac";
    const fs::path iChats = transcripts / "Documents/iChats";
    fs::create_directories(iChats);

    const std::string cli = TALV_CLI_PATH;
    std::vector<std::string> args{cli, "--transcripts-home", transcripts.string(), "watch"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    GPid pid = 0;
    ASSERT_TRUE(g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid, nullptr));

    auto chats = [&] {
        auto r = test::runCli({"--transcripts-home", transcripts.string(), "list", "--json"});
        test::JsonParserPtr parser(nullptr, g_object_unref);
        if (r.exitCode != 0) return std::int64_t{-1};
        JsonObject* root = test::parseObject(r.out, parser);
        return root ? json_object_get_int_member(root, "count") : std::int64_t{-1};
    };
    std::this_thread::sleep_for(std::chrono::seconds(2));  // the launch passes and the folder watch

    tools::IChatTranscript t;
    t.participants = {{"AIM", std::string("buddy42")}};
    tools::IChatMessage m;
    m.sender = t.participants[0];
    m.time = Date{1300000000};
    m.text = AttributedString("written while watching");
    t.messages.push_back(m);
    const Bytes bytes = tools::writeKeyedTranscript(t);
    test::writeFile(iChats / "buddy42 on 2011-03-13 at 01.46.ichat",
                    std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));

    std::int64_t count = 0;
    for (int i = 0; i < 50 && count != 1; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        count = chats();
    }
    EXPECT_EQ(count, 1);

    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    g_spawn_close_pid(pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(IndexCommand, TwoIndexersOnOneArchiveReadEachTranscriptOnce) {
    const fs::path transcripts = writeTranscripts(30);
    test::CliResult first, second;
    std::thread other([&] { second = test::runCli({"--transcripts-home", transcripts.string(), "index"}); });
    first = test::runCli({"--transcripts-home", transcripts.string(), "index"});
    other.join();
    ASSERT_EQ(first.exitCode, 0) << first.err;
    ASSERT_EQ(second.exitCode, 0) << second.err;
    const auto a = summary(first.out), b = summary(second.out);
    EXPECT_EQ(a[0] + a[1] + a[2] + b[0] + b[1] + b[2], 30);

    auto again = test::runCli({"--transcripts-home", transcripts.string(), "index"});
    EXPECT_EQ(summary(again.out), (std::vector<int>{0, 0, 0, 30}));
}

TEST_F(IndexCommand, WritesTheStoreRefusesAreReportedAndReadAgain) {
    const fs::path transcripts = writeTranscripts(6);
    auto exec = [](const std::string& sql) {
        auto store = TalvDatabase::open();
        ASSERT_TRUE(store);
        store->db().setLogsErrors(false);
        ASSERT_TRUE(store->createTablesAsNeeded());
        ASSERT_EQ(store->db().executeUpdate(sql), SQLITE_OK) << store->db().lastErrorMessage();
    };
    // Every message insert fails, as on a full disk.
    exec("CREATE TRIGGER refuse BEFORE INSERT ON Messages BEGIN SELECT RAISE(ABORT, 'disk is full'); END;");
    auto refused = test::runCli({"--transcripts-home", transcripts.string(), "index"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out.find("the archive holds"), std::string::npos) << refused.out;
    EXPECT_NE(refused.err.find("disk is full"), std::string::npos) << refused.err;

    exec("DROP TRIGGER refuse;");
    auto stored = test::runCli({"--transcripts-home", transcripts.string(), "index"});
    ASSERT_EQ(stored.exitCode, 0) << stored.err;
    const auto read = summary(stored.out);
    EXPECT_EQ(read[0] + read[1] + read[2], 6);
    EXPECT_EQ(read[3], 6);
}
