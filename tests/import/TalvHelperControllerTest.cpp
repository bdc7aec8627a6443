#include "import/TalvHelperController.h"

#include "identity/TalvCacheDatabase.h"
#include "platform/MainThreadMessage.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/RunLoop.h"
#include "store/TalvDatabase.h"
#include "tests/support/TestEnvironment.h"
#include "tools/AdiumXMLLogWriter.h"
#include "tools/FireLogWriter.h"
#include "tools/IChatTranscript.h"

#include <gtest/gtest.h>


namespace fs = std::filesystem;
using namespace talv;

namespace {

struct Recorder : ScanProgressReceiver {
    std::vector<Value> records;
    void helperNotificationScan(const Value& record) override { records.push_back(record); }
    std::vector<std::string> states() const {
        std::vector<std::string> out;
        for (const auto& r : records) out.push_back(r.find("State")->textOr(""));
        return out;
    }
};

class ScanDriver : public ::testing::Test {
protected:
    void SetUp() override {
        // The archive and the cache of this test alone, also when tests share a process.
        setenv("XDG_DATA_HOME", (home_ / "data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (home_ / "cache").c_str(), 1);
        Paths::setTranscriptsHomeOverride(home_.path());
        MainThreadMessage::sharedThreadMessage();
        auto store = TalvDatabase::open();
        ASSERT_TRUE(store);
        EXPECT_TRUE(store->createTablesAsNeeded());
        auto cache = TalvCacheDatabase::open();
        ASSERT_TRUE(cache);
        EXPECT_TRUE(cache->createTablesAsNeeded());
    }
    void TearDown() override { Paths::setTranscriptsHomeOverride(std::nullopt); }

    fs::path iChats() const { return home_ / "Documents/iChats"; }

    fs::path writeIChat(const std::string& name, const std::string& text) {
        tools::IChatTranscript t;
        t.participants = {{"AIM", std::string("buddy42")}};
        tools::IChatMessage m;
        m.sender = tools::IChatPresentity{"AIM", std::string("buddy42")};
        m.time = Date{1300000000};
        m.text = AttributedString(text);
        t.messages.push_back(m);
        const fs::path path = iChats() / name;
        const Bytes bytes = tools::writeKeyedTranscript(t);
        test::writeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return path;
    }

    void writeAdiumAndFire() {
        LogEntry e;
        e.sender = "buddy42";
        e.time = Date{1300000000};
        e.text = "hello from Adium";
        const fs::path adium = home_ / "Library/Application Support/Adium 2.0/Users/Default/Logs/AIM.me/buddy42";
        fs::create_directories(adium);
        ASSERT_TRUE(AdiumXMLLogWriter::writeFile(adium / AdiumXMLLogWriter::fileName("buddy42", e.time), "me", "AIM", {e}));
        const fs::path fire = home_ / "Library/Application Support/Fire/Sessions/buddy42-AIM";
        fs::create_directories(fire);
        e.text = "hello from Fire";
        ASSERT_TRUE(FireLogWriter::write(fire / FireLogWriter::fileName(e.time), "AIM", {e}));
    }

    std::int64_t chats() {
        auto store = TalvDatabase::open();
        auto rs = store->db().executeQuery("SELECT COUNT(*) AS N FROM Chats;");
        return rs && rs->next() ? rs->intForColumn("N") : -1;
    }

    std::int64_t rowsWhere(const std::string& condition) {
        auto rs = TalvDatabase::open()->db().executeQuery("SELECT COUNT(*) AS N FROM Messages WHERE " + condition + ";");
        return rs && rs->next() ? rs->intForColumn("N") : -1;
    }

    std::optional<Date> timestamp(const fs::path& folder) { return TalvDatabase::open()->timestampForDirectory(folder.string()); }

    test::TempDir home_;
};

}  // namespace

TEST_F(ScanDriver, IndexesEveryFormatOnceAndAnUnchangedHomeReadsNothing) {
    writeIChat("2011-03-12/buddy42 on 2011-03-12 at 10.00.ichat", "hello from iChat");
    writeAdiumAndFire();
    auto recorder = std::make_shared<Recorder>();
    {
        auto driver = TalvHelperController::create(recorder);
        driver->queueLaunchRequests();
        driver->runUntilIdle();
        EXPECT_EQ(driver->filesRead("iChat"), 1);
        EXPECT_EQ(driver->filesRead("Adium"), 1);
        EXPECT_EQ(driver->filesRead("Fire"), 1);
    }
    EXPECT_EQ(chats(), 3);
    EXPECT_EQ(recorder->states(), (std::vector<std::string>{"begin", "begin", "begin", "end"}));
    EXPECT_EQ(*recorder->records.back().find("Kind"), Value(""));
    EXPECT_EQ(*recorder->records.front().find("Kind"), Value("iChat"));

    recorder->records.clear();
    auto driver = TalvHelperController::create(recorder);
    driver->queueLaunchRequests();
    driver->runUntilIdle();
    EXPECT_EQ(driver->filesRead("iChat") + driver->filesRead("Adium") + driver->filesRead("Fire"), 0);
    // Every pass begins with no file, and a run that read nothing ends without "end".
    EXPECT_EQ(recorder->states(), (std::vector<std::string>{"begin", "begin", "begin"}));
    for (const auto& r : recorder->records) EXPECT_EQ(r.find("TotalFiles")->realOr(-1), 0);
}

TEST_F(ScanDriver, TheFolderTimestampFollowsTheNewestTranscriptEvenBackwards) {
    const fs::path older = writeIChat("a.ichat", "first");
    const fs::path newer = writeIChat("b.ichat", "second");
    talv::test::setModificationDate(older, 1300000000);
    talv::test::setModificationDate(newer, 1300000500);
    auto recorder = std::make_shared<Recorder>();
    auto driver = TalvHelperController::create(recorder);
    driver->scanChatTranscripts("#iChat");
    driver->runUntilIdle();
    EXPECT_EQ(timestamp(iChats()), Date{1300000500});

    // A file not later than the stored timestamp is not taken, even when changed.
    test::writeFile(older, "damaged, but older than the folder's timestamp");
    talv::test::setModificationDate(older, 1300000500);
    fs::remove(newer);
    recorder->records.clear();
    driver->scanChatTranscripts("#iChat");
    driver->runUntilIdle();
    ASSERT_EQ(recorder->states(), (std::vector<std::string>{"begin"}));
    EXPECT_EQ(recorder->records[0].find("TotalFiles")->realOr(-1), 0);
    talv::test::setModificationDate(older, 1300000100);
    driver->scanChatTranscripts("#iChat");
    driver->runUntilIdle();
    EXPECT_EQ(timestamp(iChats()), Date{1300000100});  // stored again, earlier than before
}

TEST_F(ScanDriver, AForcedRescanWalksEveryFolderButReadsNoUnchangedFile) {
    writeIChat("c.ichat", "hello");
    writeAdiumAndFire();
    auto recorder = std::make_shared<Recorder>();
    auto driver = TalvHelperController::create(recorder);
    driver->queueLaunchRequests();
    driver->runUntilIdle();
    ASSERT_EQ(chats(), 3);

    // A chat written again would get its messages' real texts back.
    ASSERT_EQ(TalvDatabase::open()->db().executeUpdate("UPDATE Messages SET Message = 'kept';"), 0);
    recorder->records.clear();
    NotificationCenter::defaultCenter().postNotificationName("orvane.talv.force-rescan");
    driver->runUntilIdle();
    EXPECT_EQ(chats(), 3);
    // Every folder's timestamp was forgotten, so every transcript was considered again...
    for (const auto& r : recorder->records) {
        if (r.find("State")->textOr("") == "begin") {
            EXPECT_EQ(r.find("TotalFiles")->realOr(0), 1);
        }
    }
    // ...and each was found unchanged in the store: no chat was written again.
    EXPECT_EQ(rowsWhere("Message <> 'kept'"), 0);
}

TEST_F(ScanDriver, AFileWrittenIntoTheWatchedIChatFolderIsIndexedWithinSeconds) {
    fs::create_directories(iChats());
    auto recorder = std::make_shared<Recorder>();
    auto driver = TalvHelperController::create(recorder);
    driver->applicationDidFinishLaunching();
    driver->runUntilIdle();
    ASSERT_EQ(chats(), 0);

    writeIChat("new.ichat", "written while watching");
    EXPECT_TRUE(RunLoop::runUntil([&] { return chats() == 1; }, 10.0));
}
