#include "import/TalvHelperController.h"

#include "identity/TalvCacheDatabase.h"
#include "platform/MainThreadMessage.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/RunLoop.h"
#include "store/TalvDatabase.h"
#include "tests/import/FaultInjectingFileSystem.h"
#include "tests/support/TestEnvironment.h"
#include "tools/AdiumXMLLogWriter.h"
#include "tools/FireLogWriter.h"
#include "tools/IChatTranscript.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <fstream>


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

    std::int64_t chatIDOf(const fs::path& path) {
        auto rs = TalvDatabase::open()->db().executeQuery("SELECT ROWID FROM Chats WHERE FilePath = ?;", {path.string()});
        return rs && rs->next() ? rs->int64ForColumn("ROWID") : -1;
    }

    std::int64_t messagesOf(const fs::path& path) {
        return rowsWhere(fmt::format("ChatID = {}", chatIDOf(path)));
    }

    static std::string adiumLine(const std::string& text) {
        return "<div class=\"receive\"><span class=\"timestamp\">1:00:00 PM</span> <span class=\"sender\">buddy42: "
               "</span><pre class=\"message\">" + text + "</pre></div>\n";
    }

    static void appendLine(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::app) << adiumLine(text);
    }

    test::TempDir home_;
};

}  // namespace

TEST_F(ScanDriver, IndexesEveryFormatOnceAndAnUnchangedHomeReadsNothing) {
    writeIChat("2011-03-12/buddy42 on 2011-03-12 at 10.00.ichat", "hello from iChat");
    writeAdiumAndFire();
    auto recorder = std::make_shared<Recorder>();
    test::FaultInjectingFileSystem files;
    {
        auto driver = TalvHelperController::create(recorder, files);
        driver->queueLaunchRequests();
        driver->runUntilIdle();
        EXPECT_EQ(driver->filesRead("iChat"), 1);
        EXPECT_EQ(driver->filesRead("Adium"), 1);
        EXPECT_EQ(driver->filesRead("Fire"), 1);
    }
    EXPECT_EQ(chats(), 3);
    // One pass took all three requests, queued at once.
    EXPECT_EQ(recorder->states(), (std::vector<std::string>{"begin", "begin", "begin", "end"}));
    EXPECT_EQ(*recorder->records.back().find("Kind"), Value(""));
    EXPECT_EQ(*recorder->records.front().find("Kind"), Value("iChat"));
    EXPECT_EQ(files.opened().size(), 3u);

    recorder->records.clear();
    auto driver = TalvHelperController::create(recorder, files);
    driver->queueLaunchRequests();
    driver->runUntilIdle();
    EXPECT_EQ(driver->filesRead("iChat") + driver->filesRead("Adium") + driver->filesRead("Fire"), 0);
    EXPECT_EQ(files.opened().size(), 3u);  // nothing opened again
    // Every pass begins, and a run that read nothing ends without "end".
    EXPECT_EQ(recorder->states(), (std::vector<std::string>{"begin", "begin", "begin"}));
}

TEST_F(ScanDriver, EveryChangeIsIndexedExactlyOnce) {
    const fs::path logs = home_ / "Library/Application Support/Adium 2.0/Users/Default/Logs/AIM.me/buddy42";
    auto log = [&](const char* name, int lines) {
        std::string text;
        for (int i = 0; i < lines; ++i) text += adiumLine(fmt::format("line {}", i));
        test::writeFile(logs / name, text);
        return logs / name;
    };
    const fs::path growing = log("a (2011-03-12).html", 1), appended = log("b (2011-03-12).html", 1);
    const fs::path future = log("c (2011-03-12).html", 1);
    test::setModificationDate(future, Date::now().secondsSince1970 + 86400);
    test::FaultInjectingFileSystem files;
    // A line written after the first file was read, before its chat is stored.
    files.afterReading(1, [&] { appendLine(growing, "written while read"); });
    auto driver = TalvHelperController::create(std::make_shared<Recorder>(), files);
    auto pass = [&] {
        const std::size_t before = files.opened().size();
        driver->scanChatTranscripts("#Adium");
        driver->runUntilIdle();
        std::vector<std::string> read;
        for (std::size_t i = before; i < files.opened().size(); ++i) read.push_back(files.opened()[i].filename().string());
        return read;
    };
    EXPECT_EQ(pass(), (std::vector<std::string>{"a (2011-03-12).html", "b (2011-03-12).html", "c (2011-03-12).html"}));

    appendLine(appended, "written within a second");
    const fs::path late = log("d (2011-03-12).html", 1);  // older than the future-dated file
    const fs::path outside = home_ / "e (2011-03-12).html";
    test::writeFile(outside, adiumLine("moved in"));
    test::setModificationDate(outside, 1100000000);  // 2004
    fs::rename(outside, logs / outside.filename());
    EXPECT_EQ(pass(), (std::vector<std::string>{"a (2011-03-12).html", "b (2011-03-12).html", "d (2011-03-12).html",
                                                "e (2011-03-12).html"}));
    EXPECT_EQ(messagesOf(growing), 2);
    EXPECT_EQ(messagesOf(appended), 2);
    EXPECT_EQ(messagesOf(late), 1);
    EXPECT_EQ(messagesOf(logs / outside.filename()), 1);
    ASSERT_LE(*timestamp(TalvHelperController::adiumFolder()), Date::now());  // the future-dated file never became the threshold

    // A renamed transcript keeps its chat instead of being listed twice.
    const std::int64_t chatID = chatIDOf(appended);
    fs::rename(appended, logs / "b renamed (2011-03-12).html");
    EXPECT_EQ(pass(), (std::vector<std::string>{"b renamed (2011-03-12).html"}));
    EXPECT_EQ(chatIDOf(logs / "b renamed (2011-03-12).html"), chatID);
    EXPECT_EQ(chats(), 5);
    EXPECT_TRUE(pass().empty());
}

TEST_F(ScanDriver, AStoppedPassCommitsWhatItReadAndTheNextReadsTheRest) {
    for (const char* name : {"a.ichat", "b.ichat", "c.ichat"}) writeIChat(name, name);
    test::FaultInjectingFileSystem files;
    files.blockOpen(2);
    auto driver = TalvHelperController::create(std::make_shared<Recorder>(), files);
    driver->scanChatTranscripts("#iChat");
    ASSERT_TRUE(files.waitUntilBlocked());
    driver->requestStop();  // while b is being read
    files.release();
    driver.reset();
    EXPECT_EQ(chats(), 2);                     // a, and b that was being read
    EXPECT_EQ(timestamp(iChats()), std::nullopt);  // c was never reached

    driver = TalvHelperController::create(std::make_shared<Recorder>(), files);
    driver->scanChatTranscripts("#iChat");
    driver->runUntilIdle();
    EXPECT_EQ(chats(), 3);
    EXPECT_EQ(files.opened().back().filename(), "c.ichat");
    EXPECT_EQ(files.opened().size(), 3u);  // nothing read twice
    EXPECT_TRUE(timestamp(iChats()));
}

TEST_F(ScanDriver, AFileThatCannotBeReadIsReportedAndReadAgainByTheNextPass) {
    for (const char* name : {"a.ichat", "b.ichat", "c.ichat"}) writeIChat(name, name);
    test::FaultInjectingFileSystem files;
    files.failOpen(2, std::errc::permission_denied);
    auto driver = TalvHelperController::create(std::make_shared<Recorder>(), files);
    driver->scanChatTranscripts("#iChat");
    driver->runUntilIdle();
    EXPECT_EQ(chats(), 2);
    EXPECT_EQ(driver->failedReads(), 1);
    EXPECT_NE(driver->lastFailure().find("b.ichat: Permission denied"), std::string::npos);
    // The folder's timestamp stays before the file that failed.
    std::error_code ec;
    ASSERT_TRUE(timestamp(iChats()));
    EXPECT_LT(*timestamp(iChats()), transcriptFileAttributes(iChats() / "b.ichat", FileSystem::local(), ec)->changeDate);

    driver->scanChatTranscripts("#iChat");
    driver->runUntilIdle();
    EXPECT_EQ(chats(), 3);
    ASSERT_EQ(files.opened().size(), 4u);
    EXPECT_EQ(files.opened().back().filename(), "b.ichat");  // only the file that failed
}

TEST_F(ScanDriver, AForcedRescanWalksEveryFolderButReadsNoUnchangedFile) {
    writeIChat("c.ichat", "hello");
    writeAdiumAndFire();
    auto recorder = std::make_shared<Recorder>();
    test::FaultInjectingFileSystem files;
    auto driver = TalvHelperController::create(recorder, files);
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

    // Asked for while a pass holds the archive, a rescan returns at once: the scan thread forgets
    // the timestamps itself, before its next request.
    writeIChat("d.ichat", "new");
    files.blockOpen(1);
    driver->scanChatTranscripts("#iChat");
    ASSERT_TRUE(files.waitUntilBlocked());
    recorder->records.clear();
    NotificationCenter::defaultCenter().postNotificationName("orvane.talv.force-rescan");
    files.release();
    driver->runUntilIdle();
    EXPECT_EQ(chats(), 4);
    EXPECT_EQ(recorder->records.front().find("TotalFiles")->realOr(0), 2);  // the iChat folder walked in full
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
