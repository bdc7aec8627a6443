// Deleting chats from a real archive indexed by the scan driver, with the real freedesktop Trash
// under the test home: the Trash setting, the next scan, names already in the Trash, undo, and
// transcript files that are gone or cannot be moved.
#include "actions/ChatDeletion.h"

#include "identity/TalvCacheDatabase.h"
#include "import/TalvHelperController.h"
#include "platform/MainThreadMessage.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "store/TalvDatabase.h"
#include "tests/support/TestEnvironment.h"
#include "tools/AdiumXMLLogWriter.h"
#include "tools/IChatTranscript.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace talv::test {
namespace {

struct IgnoreProgress : ScanProgressReceiver {
    void helperNotificationScan(const Value&) override {}
};

// A folder nothing can be moved out of while the object lives: its permissions, and for root the
// immutable attribute, where the file system has one.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(fs::path path) : path_(std::move(path)) {
        fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_exec);
        if (geteuid() == 0) immutable_ = setImmutable(path_, true);
    }
    ~ReadOnlyFolder() {
        if (immutable_) setImmutable(path_, false);
        fs::permissions(path_, fs::perms::owner_all);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool readOnly() const { return geteuid() != 0 || immutable_; }

private:
    fs::path path_;
    bool immutable_ = false;
};

struct ChatRowState {
    bool deleted = false;
    std::optional<std::string> subject, kind;
    std::int64_t messages = 0, participants = 0;
};

class ChatDeletionTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(Paths::applicationSupport());
        fs::remove_all(Paths::caches());
        fs::remove_all(trash());
        Paths::setTranscriptsHomeOverride(home_.path());
        MainThreadMessage::sharedThreadMessage();
        ASSERT_TRUE(TalvDatabase::open()->createTablesAsNeeded());
        ASSERT_TRUE(TalvCacheDatabase::open()->createTablesAsNeeded());
    }
    void TearDown() override { Paths::setTranscriptsHomeOverride(std::nullopt); }

    static fs::path trash() { return fs::path(g_get_user_data_dir()) / "Trash"; }
    fs::path adiumLogs() const { return home_ / "Library/Application Support/Adium 2.0/Users/Default/Logs"; }

    // An Adium XML log of `account` with "buddy42".
    fs::path writeAdium(const std::string& account, const std::string& text) {
        LogEntry entry;
        entry.sender = "buddy42";
        entry.time = Date{1300000000};
        entry.text = text;
        const fs::path folder = adiumLogs() / ("AIM." + account) / "buddy42";
        fs::create_directories(folder);
        const fs::path file = folder / AdiumXMLLogWriter::fileName("buddy42", entry.time);
        EXPECT_TRUE(AdiumXMLLogWriter::writeFile(file, account, "AIM", {entry}));
        return file;
    }

    fs::path writeIChat(const std::string& text) {
        tools::IChatTranscript transcript;
        const tools::IChatPresentity buddy{"AIM", "buddy42"};
        transcript.participants = {buddy};
        transcript.messages = {{buddy, Date{1300000000}, AttributedString(text)}};
        const Bytes bytes = tools::writeKeyedTranscript(transcript);
        const fs::path file = home_ / "Documents/iChats/buddy42 on 2011-03-13.ichat";
        writeFile(file, std::string(bytes.begin(), bytes.end()));
        return file;
    }

    // Indexes what is new; with `forced`, every folder's files are considered again.
    void scan(bool forced = false) {
        auto driver = TalvHelperController::create(progress_);
        if (forced) NotificationCenter::defaultCenter().postNotificationName(TalvHelperController::kForceRescanNotification);
        else driver->queueLaunchRequests();
        driver->runUntilIdle();
    }

    std::int64_t chatOf(const fs::path& file) {
        auto rs = TalvDatabase::open()->db().executeQuery("SELECT ROWID FROM Chats WHERE FilePath = ?;", {file.string()});
        return rs && rs->next() ? rs->int64ForColumn("ROWID") : -1;
    }

    ChatRowState row(std::int64_t chatID) {
        auto store = TalvDatabase::open();
        ChatRowState state;
        auto rs = store->db().executeQuery("SELECT Subject, Kind, Deleted FROM Chats WHERE ROWID = ?;", {chatID});
        if (!rs || !rs->next()) return state;
        state.deleted = rs->intForColumn("Deleted") != 0;
        state.subject = rs->stringForColumn("Subject");
        state.kind = rs->stringForColumn("Kind");
        rs->close();
        for (auto [table, count] : {std::pair{"Messages", &state.messages}, std::pair{"Participants", &state.participants}}) {
            auto n = store->db().executeQuery(std::string("SELECT COUNT(*) AS n FROM ") + table + " WHERE ChatID = ?;", {chatID});
            if (n && n->next()) *count = n->int64ForColumn("n");
        }
        return state;
    }

    TempDir home_;
    std::shared_ptr<IgnoreProgress> progress_ = std::make_shared<IgnoreProgress>();
};

TEST_F(ChatDeletionTest, TheRowStaysMarkedSoNoScanReadsTheFileAgainAndTheTrashKeepsTheFile) {
    const fs::path adium = writeAdium("me", "kept in place");
    const fs::path ichat = writeIChat("to the Trash");
    scan();
    const std::int64_t adiumChat = chatOf(adium), ichatChat = chatOf(ichat);
    ASSERT_GT(adiumChat, 0);
    ASSERT_GT(ichatChat, 0);
    ASSERT_EQ(TalvCacheDatabase::open()->db().executeUpdate("INSERT INTO ChatsCache (ChatID, Data, CV) VALUES (?, x'00', 1);",
                                                            {adiumChat}),
              0);

    const ChatDeletion kept = deleteChat(adiumChat, false);
    ASSERT_EQ(kept.status, ChatDeletion::Status::Deleted) << kept.message;
    EXPECT_TRUE(fs::exists(adium));
    ASSERT_TRUE(kept.undo);
    EXPECT_FALSE(kept.undo->trashed);
    const ChatRowState emptied = row(adiumChat);
    EXPECT_TRUE(emptied.deleted);
    EXPECT_FALSE(emptied.subject);
    EXPECT_FALSE(emptied.kind);
    EXPECT_EQ(emptied.messages, 0);
    EXPECT_EQ(emptied.participants, 0);
    auto cached = TalvCacheDatabase::open()->db().executeQuery("SELECT COUNT(*) AS n FROM ChatsCache WHERE ChatID = ?;", {adiumChat});
    ASSERT_TRUE(cached && cached->next());
    EXPECT_EQ(cached->int64ForColumn("n"), 0);

    const ChatDeletion trashed = deleteChat(ichatChat, true);
    ASSERT_EQ(trashed.status, ChatDeletion::Status::Deleted) << trashed.message;
    EXPECT_FALSE(fs::exists(ichat));
    const fs::path inTrash = trash() / "files" / ichat.filename();
    EXPECT_TRUE(fs::exists(inTrash));
    const std::string info = readFile(trash() / "info" / (ichat.filename().string() + ".trashinfo"));
    gchar* escaped = g_uri_escape_string(ichat.c_str(), "/", FALSE);
    EXPECT_NE(info.find(std::string("Path=") + escaped), std::string::npos) << info;
    g_free(escaped);
    ASSERT_TRUE(trashed.undo && trashed.undo->trashed);
    EXPECT_EQ(trashed.undo->trashed->trashed, inTrash);

    // Even a forced rescan of a changed file leaves the deleted chat deleted.
    setModificationDate(adium, 1700000000);
    scan(true);
    EXPECT_TRUE(row(adiumChat).deleted);
    EXPECT_EQ(row(adiumChat).messages, 0);
    EXPECT_EQ(deleteChat(adiumChat, false).status, ChatDeletion::Status::NoSuchChat);
    EXPECT_EQ(deleteChat(9999, false).status, ChatDeletion::Status::NoSuchChat);

    // Undo reads the file again under the same chat ID.
    EXPECT_EQ(undoDeletion(*kept.undo), "");
    const ChatRowState back = row(adiumChat);
    EXPECT_FALSE(back.deleted);
    EXPECT_EQ(back.kind, "Adium");
    EXPECT_EQ(back.messages, 1);
    EXPECT_EQ(chatOf(adium), adiumChat);
}

TEST_F(ChatDeletionTest, FilesOfOneNameShareTheTrashAndUndoPutsTheRightOneBack) {
    const fs::path first = writeAdium("me", "first account");
    const fs::path second = writeAdium("other", "second account");
    ASSERT_EQ(first.filename(), second.filename());
    scan();
    const std::int64_t firstChat = chatOf(first), secondChat = chatOf(second);

    const ChatDeletion one = deleteChat(firstChat, true);
    const ChatDeletion two = deleteChat(secondChat, true);
    ASSERT_EQ(one.status, ChatDeletion::Status::Deleted) << one.message;
    ASSERT_EQ(two.status, ChatDeletion::Status::Deleted) << two.message;
    ASSERT_TRUE(one.undo && one.undo->trashed && two.undo && two.undo->trashed);
    EXPECT_NE(one.undo->trashed->trashed, two.undo->trashed->trashed);
    for (const ChatDeletion* deletion : {&one, &two}) {
        EXPECT_TRUE(fs::exists(deletion->undo->trashed->trashed));
        EXPECT_TRUE(fs::exists(deletion->undo->trashed->info));
    }

    EXPECT_EQ(undoDeletion(*two.undo), "");
    EXPECT_NE(readFile(second).find("second account"), std::string::npos);
    EXPECT_FALSE(fs::exists(two.undo->trashed->info));
    EXPECT_FALSE(row(secondChat).deleted);
    EXPECT_EQ(row(secondChat).messages, 1);

    // A file that took the first one's place is never overwritten; the trashed one stays.
    writeFile(first, "a new file");
    EXPECT_NE(undoDeletion(*one.undo), "");
    EXPECT_EQ(readFile(first), "a new file");
    EXPECT_TRUE(fs::exists(one.undo->trashed->trashed));
    EXPECT_TRUE(row(firstChat).deleted);
}

TEST_F(ChatDeletionTest, AMissingFileDeletesFromTheArchiveAloneAndAFileThatCannotMoveKeepsTheChat) {
    const fs::path gone = writeAdium("me", "soon gone");
    const fs::path locked = writeIChat("in a read-only folder");
    scan();
    const std::int64_t goneChat = chatOf(gone), lockedChat = chatOf(locked);

    fs::remove(gone);
    const ChatDeletion missing = deleteChat(goneChat, true);
    EXPECT_EQ(missing.status, ChatDeletion::Status::Deleted) << missing.message;
    EXPECT_FALSE(missing.undo);
    EXPECT_FALSE(fs::exists(trash() / "files" / gone.filename()));
    EXPECT_TRUE(row(goneChat).deleted);

    std::optional<ChatDeletion> failed;
    {
        ReadOnlyFolder readOnly(locked.parent_path());
        if (!readOnly.readOnly()) GTEST_SKIP() << "no read-only folder can be made here";
        failed = deleteChat(lockedChat, true);
    }
    EXPECT_EQ(failed->status, ChatDeletion::Status::TrashFailed);
    EXPECT_NE(failed->message.find(locked.string()), std::string::npos) << failed->message;
    EXPECT_TRUE(fs::exists(locked));
    EXPECT_FALSE(row(lockedChat).deleted);
    EXPECT_EQ(row(lockedChat).messages, 1);

    const ChatDeletion archiveOnly = deleteChat(lockedChat, false);
    EXPECT_EQ(archiveOnly.status, ChatDeletion::Status::Deleted);
    EXPECT_TRUE(fs::exists(locked));
    EXPECT_TRUE(row(lockedChat).deleted);
}

}  // namespace
}  // namespace talv::test
