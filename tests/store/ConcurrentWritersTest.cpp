// Several connections on one archive at once, as the scan thread, the window, a deletion and a
// second talvessa-cli use it: writers never deadlock and readers never wait for a pass.
#include "store/TalvDatabase.h"
#include "store/Transaction.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

using namespace talv;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class NamesAsHandles : public IdentityServices {
public:
    std::string participantName(const std::string& handle) override { return handle; }
    void removeCachedChat(std::int64_t) override {}
};

// Runs the jobs on threads of their own. Deadlocked threads can never be joined, so jobs still
// running after `limit` end the test process with a message.
void finishWithin(std::chrono::seconds limit, const std::vector<std::function<void()>>& jobs) {
    std::atomic<std::size_t> done{0};
    std::vector<std::thread> threads;
    for (const auto& job : jobs)
        threads.emplace_back([&done, job] {
            job();
            ++done;
        });
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (done < jobs.size() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
    if (done < jobs.size()) {
        std::fprintf(stderr, "%zu of %zu writers still blocked after %lld s: they deadlocked\n", jobs.size() - done,
                     jobs.size(), static_cast<long long>(limit.count()));
        std::_Exit(1);
    }
    for (auto& thread : threads) thread.join();
}

class ConcurrentWriters : public ::testing::Test {
protected:
    void SetUp() override {
        auto store = TalvDatabase::openAt(dir.path());
        ASSERT_TRUE(store);
        store->db().setLogsErrors(false);
        ASSERT_TRUE(store->createTablesAsNeeded());
    }

    TalvDatabase open() {
        auto store = TalvDatabase::openAt(dir.path(), &identities);
        EXPECT_TRUE(store);
        return std::move(*store);
    }

    std::string transcript(const std::string& name) {
        const fs::path path = dir / "logs" / name;
        test::writeFile(path, "transcript");
        return path.string();
    }

    // A scan pass: one transaction that reads, waits `pause` (while the other writer starts),
    // then writes a chat and commits.
    void pass(const std::string& path, std::chrono::milliseconds pause) {
        TalvDatabase store = open();
        Transaction transaction(store.db());
        ASSERT_TRUE(transaction.began());
        EXPECT_FALSE(store.containsChatFile(path));
        std::this_thread::sleep_for(pause);
        MessageRecord message;
        message.Sender = "bob";
        message.Message = "hello";
        EXPECT_TRUE(store.addChat(path, "iChat", {"bob"}, {message}, Date{1}, Date{2}, false, false, false));
        EXPECT_TRUE(transaction.commit());
    }

    std::int64_t count(const std::string& sql) {
        TalvDatabase store = open();
        auto rs = store.db().executeQuery(sql);
        return rs && rs->next() ? rs->int64ForColumn("n") : -1;
    }

    test::TempDir dir;
    NamesAsHandles identities;
};

}  // namespace

TEST_F(ConcurrentWriters, APassAndAnotherWriterBothFinish) {
    const std::string first = transcript("first.ichat"), second = transcript("second.ichat");
    // The forced rescan's reset (one statement, no transaction) while a pass is between its read and its write.
    finishWithin(20s, {[&] { pass(first, 300ms); },
                       [&] {
                           std::this_thread::sleep_for(100ms);
                           TalvDatabase store = open();
                           EXPECT_EQ(store.db().executeUpdate("DELETE FROM DirectoryTimestamps;"), SQLITE_OK);
                       }});
    // Two passes that both read before either writes.
    finishWithin(20s, {[&] { pass(second, 300ms); }, [&] { pass(transcript("third.ichat"), 300ms); }});
    EXPECT_EQ(count("SELECT count(*) AS n FROM Chats;"), 3);
    EXPECT_EQ(count("SELECT count(*) AS n FROM Messages;"), 3);
}

TEST_F(ConcurrentWriters, AReaderIsAnsweredWhileALargePassIsOpen) {
    std::atomic<bool> written{false}, readerDone{false}, committed{false};
    std::thread scan([&] {
        struct MarkWritten {
            std::atomic<bool>& flag;
            ~MarkWritten() { flag = true; }  // also when an assertion ends the pass early
        } mark{written};
        TalvDatabase store = open();
        // A small page cache spills a pass's pages to the file early, as a large pass does.
        ASSERT_EQ(store.db().executeUpdate("PRAGMA cache_size = 10;"), SQLITE_OK);
        Transaction transaction(store.db());
        ASSERT_TRUE(transaction.began());
        std::vector<MessageRecord> messages(200);
        for (auto& message : messages) message.Message = std::string(200, 'x');
        for (int i = 0; i < 40; ++i)
            ASSERT_TRUE(store.addChat(transcript("chat" + std::to_string(i)), "Adium", {"bob"}, messages, Date{1},
                                      Date{2}, false, false, false));
        written = true;
        for (int i = 0; i < 500 && !readerDone; ++i) std::this_thread::sleep_for(10ms);
        EXPECT_TRUE(transaction.commit());
        committed = true;
    });
    while (!written) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(count("SELECT count(*) AS n FROM Chats;"), 0);  // the committed state, at once
    EXPECT_FALSE(committed) << "the reader waited for the pass to commit";
    readerDone = true;
    scan.join();
    EXPECT_EQ(count("SELECT count(*) AS n FROM Chats;"), 40);
}
