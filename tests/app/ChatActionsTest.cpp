// The window's chat actions and preferences, under a virtual X server: deleting through the
// dialog (the chat fixed when it opens, a Trash that fails, the last listed chat), undo, a double
// click that opens the client, the iChat offer at launch, and preferences that apply at once.
#include "identity/CacheIdentityServices.h"
#include "import/TalvHelperController.h"
#include "import/TranscriptReading.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "store/TalvDatabase.h"
#include "tests/actions/RecordingApplications.h"
#include "tests/app/WindowFixture.h"
#include "tools/AdiumXMLLogWriter.h"

#include <glib.h>
#include <gtk/gtk.h>

namespace fs = std::filesystem;

namespace talv::test {
namespace {

class ChatActionsWindow : public WindowTest {
protected:
    static void SetUpTestSuite() {
        WindowTest::SetUpTestSuite();
        installRecordingApplications();
    }

    ChatActions& actions() { return window().chatActions(); }
    std::size_t rows() { return window().chatsTable().numberOfRows(); }

    bool isDeleted(std::int64_t chatID) {
        auto rs = archive->db().executeQuery("SELECT Deleted FROM Chats WHERE ROWID = ?;", {chatID});
        return rs && rs->next() && rs->intForColumn("Deleted") == 1;
    }

    // An Adium log on disk, indexed as the scan would.
    std::int64_t addTranscript(const fs::path& file) {
        LogEntry entry;
        entry.sender = "bob";
        entry.time = Date{1700000000};
        entry.text = "a chat with a file";
        fs::create_directories(file.parent_path());
        EXPECT_TRUE(AdiumXMLLogWriter::writeFile(file, "me", "AIM", {entry}));
        CacheIdentityServices identities;
        auto store = TalvDatabase::open(&identities);
        const auto record = readTranscriptFile(file);
        EXPECT_TRUE(store && record && store->addChat(file.string(), record->Kind, record->Participants, record->Messages,
                                                      record->StartDate, record->EndDate, false, false, false));
        auto rs = store->db().executeQuery("SELECT ROWID FROM Chats WHERE FilePath = ?;", {file.string()});
        return rs && rs->next() ? rs->int64ForColumn("ROWID") : -1;
    }

    // The height of the chats table's first row as drawn.
    // Types a size and presses Enter.
    static void enterSize(Gtk::ComboBoxText& box, const char* size) {
        box.get_entry()->set_text(size);
        g_signal_emit_by_name(box.get_entry()->gobj(), "activate");
    }

    int firstRowHeight() {
        for (Gtk::Widget* child = window().chatsTable().columnView().get_first_child(); child; child = child->get_next_sibling()) {
            if (std::string(gtk_widget_get_css_name(child->gobj())) != "listview") continue;
            for (Gtk::Widget* row = child->get_first_child(); row; row = row->get_next_sibling()) {
                if (std::string(gtk_widget_get_css_name(row->gobj())) == "row") return row->get_height();
            }
        }
        return 0;
    }
};

TEST_F(ChatActionsWindow, DeletingThroughTheDialogTakesTheChatItOpenedFor) {
    ChatRow row;
    row.dateStarted = 1700000000;
    row.participants = "Alice";
    row.fileName = "alice.ichat";
    const std::int64_t newest = archive->add(row);
    row.dateStarted = 1600000000;
    row.participants = "Bob";
    row.fileName = "bob.ichat";
    const std::int64_t middle = archive->add(row);
    row.dateStarted = 1500000000;
    row.fileName = "bob 2.ichat";
    const std::int64_t oldest = archive->add(row);
    launch();
    ASSERT_EQ(rows(), 3u);
    selectRow(0);
    ASSERT_TRUE(window().action("delete-chat")->get_enabled());

    window().action("delete-chat")->activate();
    ASSERT_TRUE(actions().deleteSheet().get_visible());
    EXPECT_NE(actions().deleteSheet().message().find("Alice"), std::string::npos) << actions().deleteSheet().message();
    EXPECT_FALSE(actions().deleteSheet().checkBox().get_active());
    selectRow(1);  // behind the dialog
    actions().deleteSheet().respond(1);
    spinUntil([&] { return rows() == 2; });
    EXPECT_TRUE(isDeleted(newest));
    EXPECT_FALSE(isDeleted(middle));
    EXPECT_TRUE(actions().isNotificationShown());
    EXPECT_FALSE(actions().canUndo()) << "a chat without its file cannot be read again";

    // The Trash cannot be made: the user is told, and the chat stays until deleted from the archive alone.
    const fs::path transcript = homeDir() / "logs" / "bob.chatlog";
    writeFile(transcript, "a transcript");
    ASSERT_EQ(archive->db().executeUpdate("UPDATE Chats SET FilePath = ? WHERE ROWID = ?;", {transcript.string(), middle}), 0);
    const fs::path trash = fs::path(g_get_user_data_dir()) / "Trash";
    fs::remove_all(trash);
    writeFile(trash, "in the way");
    selectRow(0);
    ASSERT_EQ(controller->state().selectedChatID(), middle);
    window().action("delete-chat")->activate();
    actions().deleteSheet().checkBox().set_active(true);
    actions().deleteSheet().respond(1);
    spinUntil([&] { return actions().trashFailedSheet().get_visible(); });
    EXPECT_NE(actions().trashFailedSheet().message().find(transcript.string()), std::string::npos);
    EXPECT_FALSE(isDeleted(middle));
    EXPECT_TRUE(UserDefaults::standard().boolForKey("MoveToTrashOnDelete")) << "the dialog's box is the preference";
    actions().trashFailedSheet().respond(1);
    spinUntil([&] { return rows() == 1; });
    EXPECT_TRUE(isDeleted(middle));
    EXPECT_TRUE(fs::exists(transcript));
    fs::remove(trash);

    // The last listed chat: an empty list and no selection.
    window().action("delete-chat")->activate();
    EXPECT_TRUE(actions().deleteSheet().checkBox().get_active());
    actions().deleteSheet().respond(1);
    spinUntil([&] { return rows() == 0; });
    EXPECT_TRUE(isDeleted(oldest));
    EXPECT_EQ(controller->state().selectedChatID(), std::nullopt);
    EXPECT_FALSE(window().action("delete-chat")->get_enabled());
}

TEST_F(ChatActionsWindow, UndoBringsBackTheFileFromTheTrashAndTheChat) {
    const fs::path transcript = homeDir() / "Adium Logs" / "bob (2023-11-14T22.13.20+0000).chatlog";
    const std::int64_t chat = addTranscript(transcript);
    launch();
    selectRow(0);
    ASSERT_EQ(controller->state().selectedChatID(), chat);
    EXPECT_FALSE(window().action("undo-delete-chat")->get_enabled());

    window().action("delete-chat")->activate();
    actions().deleteSheet().checkBox().set_active(true);
    actions().deleteSheet().respond(1);
    spinUntil([&] { return rows() == 0; });
    EXPECT_FALSE(fs::exists(transcript));
    EXPECT_TRUE(fs::exists(fs::path(g_get_user_data_dir()) / "Trash/files" / transcript.filename()));
    EXPECT_TRUE(window().action("undo-delete-chat")->get_enabled());

    window().action("undo-delete-chat")->activate();
    spinUntil([&] { return rows() == 1 && controller->state().selectedChatID() == chat; });
    EXPECT_TRUE(fs::exists(transcript));
    EXPECT_FALSE(isDeleted(chat));
    EXPECT_FALSE(actions().isNotificationShown());
    EXPECT_FALSE(window().action("undo-delete-chat")->get_enabled());
}

TEST_F(ChatActionsWindow, ADoubleClickedRowOpensInItsClient) {
    const fs::path transcript = homeDir() / "Adium Logs" / "carol (2023-11-14T22.13.20+0000).chatlog";
    addTranscript(transcript);
    ASSERT_TRUE(UserDefaults::standard().setObject("ChatClientApplications",
                                                   Value::Dictionary{{"Adium", "talv-test-adium.desktop"}}));
    fs::remove(openedLog());
    launch();
    selectRow(0);
    g_signal_emit_by_name(window().chatsTable().columnView().gobj(), "activate", 0u);
    EXPECT_EQ(waitForOpened(1), std::vector<std::string>{"adium " + transcript.string()});
}

TEST_F(ChatActionsWindow, TheIChatOfferComesAtLaunchUntilDeclinedForGood) {
    ASSERT_TRUE(UserDefaults::standard().removeObjectForKey("IChatDontShowAgain"));
    launch();
    ASSERT_TRUE(actions().ichatSheet().get_visible());
    actions().ichatSheet().checkBox().set_active(true);
    actions().ichatSheet().respond(0);
    spinUntil([&] { return UserDefaults::standard().boolForKey("IChatDontShowAgain"); });
    EXPECT_FALSE(UserDefaults::forDomain("com.apple.iChat").boolForKey("AutosaveChats"));
    quit();
    launch();
    EXPECT_FALSE(actions().ichatSheet().get_visible());
}

TEST_F(ChatActionsWindow, PreferencesApplyAtOnce) {
    ChatRow row;
    row.dateStarted = 1700000000;
    archive->add(row);
    fs::create_directories(Paths::applicationSupport() / "Styles" / "Mine.talStyle");
    UserDefaults& defaults = UserDefaults::standard();
    ASSERT_TRUE(defaults.setObject("CustomChatStyle", "/elsewhere/Old.talStyle"));
    launch();
    controller->preferences()->showPreferencesPanel();
    PrefGeneralModule& general = controller->preferences()->generalModule();

    // The style list: built-in styles, then the user's; a path elsewhere is forgotten.
    ASSERT_EQ(general.stylePopup().get_model()->get_n_items(), 4u);
    EXPECT_EQ(general.stylePopup().get_selected(), 2u);  // Default
    EXPECT_FALSE(defaults.objectForKey("CustomChatStyle"));
    general.stylePopup().set_selected(1);
    EXPECT_EQ(defaults.stringForKey("CustomChatStyle"), "Compact.talStyle");

    // A bigger chats-list font makes the table's rows taller.
    spinUntil([&] { return firstRowHeight() > 0; });
    const int before = firstRowHeight();
    enterSize(general.listFontSize(), "30");
    EXPECT_EQ(defaults.doubleForKey("TableFontSize"), 30);
    spinUntil([&] { return firstRowHeight() > before + 10; });

    // The transcript size needs a family; sizes below 1 or not numbers change nothing.
    EXPECT_FALSE(general.transcriptFontSize().get_sensitive());
    EXPECT_FALSE(general.transcriptSizeCaption().get_sensitive());
    ASSERT_FALSE(general.fontFamilies().empty());
    general.transcriptFontPopup().set_selected(1);
    EXPECT_TRUE(general.transcriptFontSize().get_sensitive());
    EXPECT_EQ(defaults.stringForKey("FontName"), general.fontFamilies().front());
    for (const char* size : {"0", "big", "15"}) enterSize(general.transcriptFontSize(), size);
    EXPECT_EQ(defaults.doubleForKey("FontSize"), 15);
    enterSize(general.transcriptFontSize(), "0");
    EXPECT_EQ(defaults.doubleForKey("FontSize"), 15);
    general.transcriptFontPopup().set_selected(0);
    EXPECT_FALSE(defaults.objectForKey("FontName"));
    EXPECT_FALSE(defaults.objectForKey("FontSize"));
    EXPECT_FALSE(general.transcriptFontSize().get_sensitive());

    // One rescan per opening of the preferences.
    int rescans = 0;
    ObserverToken observer = NotificationCenter::defaultCenter().addObserver(
        TalvHelperController::kForceRescanNotification, nullptr, [&](const Notification&) { ++rescans; });
    g_signal_emit_by_name(general.rescanButton().gobj(), "clicked");
    EXPECT_EQ(rescans, 1);
    EXPECT_FALSE(general.rescanButton().get_sensitive());
    controller->preferences()->hide();
    controller->preferences()->showPreferencesPanel();
    EXPECT_TRUE(general.rescanButton().get_sensitive());
    EXPECT_TRUE(general.swUpdateButton().get_sensitive()) << "the update view was made";
    EXPECT_EQ(controller->preferences()->updateModule(), nullptr);
    controller->preferences()->pages().set_visible_child("update");
    EXPECT_NE(controller->preferences()->updateModule(), nullptr);
    EXPECT_FALSE(general.problemLabel().get_visible());
}

}  // namespace
}  // namespace talv::test
