// Opening transcripts in their clients through real desktop files, showing them in a file manager
// on a private session bus, and the iChat saving check across launches.
#include "actions/ClientApplications.h"
#include "actions/FileManagerReveal.h"
#include "actions/IChatSavingCheck.h"
#include "platform/RunLoop.h"
#include "tests/actions/RecordingApplications.h"
#include "tests/support/TestEnvironment.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace talv::test {
namespace {

class ClientActionsTest : public ::testing::Test {
protected:
    // Before GIO first lists the applications.
    static void SetUpTestSuite() { installRecordingApplications(); }
    void SetUp() override { fs::remove(openedLog()); }
};

TEST_F(ClientActionsTest, EachKindOpensInItsClientAndAdiumHtmlInTheBrowser) {
    EXPECT_EQ(clientApplicationName(std::nullopt, "/a/x.ichat"), "iChat");
    EXPECT_EQ(clientApplicationName("ichat", "/a/x.chat"), "iChat");
    EXPECT_EQ(clientApplicationName("Adium", "/a/x (2006-09-23).HTML"), "Safari");
    EXPECT_EQ(clientApplicationName("adium", "/a/x (2011-12-09T01.13.43-0800).chatlog"), "Adium");
    EXPECT_EQ(clientApplicationName("Adium", "/a/x (2004|05|17).AdiumHTMLLog"), "Adium");
    EXPECT_EQ(clientApplicationName("FIRE", "/a/x.xhtml"), "Fire");
    EXPECT_EQ(clientApplicationName("Trillian", "/a/x.log"), std::nullopt);

    TempDir dir;
    const fs::path html = dir / "buddy (2006-09-23).html";
    const fs::path chatlog = dir / "buddy (2011-12-09T01.13.43-0800).chatlog";
    writeFile(html, "<div>hi</div>");
    writeFile(chatlog, "<chat/>");
    UserDefaults& defaults = UserDefaults::standard();
    ASSERT_TRUE(defaults.setObject(kChatClientApplicationsKey,
                                   Value::Dictionary{{"Safari", "talv-test-browser.desktop"}, {"Adium", "talv-test-adium.desktop"},
                                                     {"Fire", "no-such-client.desktop"}}));
    EXPECT_EQ(openInClient(html.string(), *clientApplicationName("Adium", html.string()), defaults), "");
    EXPECT_EQ(openInClient(chatlog.string(), *clientApplicationName("Adium", chatlog.string()), defaults), "");
    std::vector<std::string> opened = waitForOpened(2);
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(opened, (std::vector<std::string>{"adium " + chatlog.string(), "browser " + html.string()}));

    const std::string missing = openInClient(chatlog.string(), "Fire", defaults);
    EXPECT_NE(missing.find("no-such-client.desktop"), std::string::npos) << missing;
    ASSERT_TRUE(defaults.removeObjectForKey(kChatClientApplicationsKey));
}

// org.freedesktop.FileManager1 on the test's session bus, recording the items it is asked to show.
class FakeFileManager {
public:
    FakeFileManager() {
        connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(
            "<node><interface name='org.freedesktop.FileManager1'><method name='ShowItems'>"
            "<arg type='as' name='uris' direction='in'/><arg type='s' name='startupId' direction='in'/>"
            "</method></interface></node>",
            nullptr);
        static const GDBusInterfaceVTable vtable{
            [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
               GDBusMethodInvocation* invocation, gpointer self) {
                const gchar** uris = nullptr;
                const gchar* startup = nullptr;
                g_variant_get(parameters, "(^a&s&s)", &uris, &startup);
                for (const gchar** uri = uris; uri && *uri; ++uri) static_cast<FakeFileManager*>(self)->shown.push_back(*uri);
                g_free(uris);
                g_dbus_method_invocation_return_value(invocation, nullptr);
            },
            nullptr, nullptr, {}};
        object_ = g_dbus_connection_register_object(connection_, "/org/freedesktop/FileManager1", node->interfaces[0],
                                                    &vtable, this, nullptr, nullptr);
        g_dbus_node_info_unref(node);
        name_ = g_bus_own_name_on_connection(connection_, "org.freedesktop.FileManager1", G_BUS_NAME_OWNER_FLAGS_NONE,
                                             [](GDBusConnection*, const gchar*, gpointer self) { static_cast<FakeFileManager*>(self)->owned = true; },
                                             nullptr, this, nullptr);
        RunLoop::runUntil([this] { return owned; }, 10.0);
    }
    ~FakeFileManager() {
        g_bus_unown_name(name_);
        g_dbus_connection_unregister_object(connection_, object_);
        g_object_unref(connection_);
    }

    std::vector<std::string> shown;
    bool owned = false;

private:
    GDBusConnection* connection_ = nullptr;
    guint object_ = 0, name_ = 0;
};

TEST_F(ClientActionsTest, TheFileManagerShowsTheFileElseItsFolderOpens) {
    TempDir dir;
    const fs::path file = dir / "a chat.chatlog";
    writeFile(file, "<chat/>");
    const auto reveal = [&] {
        std::optional<std::string> answer;
        revealInFileManager(file.string(), [&](const std::string& message) { answer = message; });
        EXPECT_TRUE(RunLoop::runUntil([&] { return answer.has_value(); }, 20.0));
        return answer.value_or("no answer");
    };
    {
        FakeFileManager manager;
        ASSERT_TRUE(manager.owned);
        EXPECT_EQ(reveal(), "");
        gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
        EXPECT_EQ(manager.shown, std::vector<std::string>{uri});
        g_free(uri);
    }
    EXPECT_EQ(reveal(), "");
    EXPECT_EQ(waitForOpened(1), std::vector<std::string>{"files " + dir.path().string()});
}

TEST(IChatSavingCheck, OfferedOncePerLaunchUntilIChatSavesOrTheUserDeclinesForGood) {
    UserDefaults& defaults = UserDefaults::standard();
    UserDefaults& iChat = UserDefaults::forDomain("com.apple.iChat");
    const auto launch = [&] { return std::make_unique<IChatSavingCheck>(defaults, iChat); };

    auto first = launch();
    EXPECT_TRUE(first->doIChatPrefsCheck());
    EXPECT_FALSE(first->doIChatPrefsCheck()) << "once per launch";
    EXPECT_TRUE(first->cancelEnableIChat(false));

    auto second = launch();
    EXPECT_TRUE(second->doIChatPrefsCheck()) << "declined without the box: offered again";
    EXPECT_TRUE(second->confirmEnableIChat(false));
    EXPECT_TRUE(fs::exists(iChat.filePath()));
    EXPECT_EQ(UserDefaults::forDomain("com.apple.ichat").objectForKey("AutosaveChats"), Value(1));

    EXPECT_FALSE(launch()->doIChatPrefsCheck()) << "iChat saves";

    ASSERT_TRUE(iChat.setObject("AutosaveChats", false));  // switched off in iChat
    auto fourth = launch();
    EXPECT_TRUE(fourth->doIChatPrefsCheck());
    EXPECT_TRUE(fourth->cancelEnableIChat(true));
    EXPECT_FALSE(launch()->doIChatPrefsCheck()) << "declined for good";
    EXPECT_FALSE(iChat.boolForKey("AutosaveChats"));
}

}  // namespace
}  // namespace talv::test
