#include "assistant/TalvAssistant.h"
#include "assistant/Workspace.h"
#include "platform/UserDefaults.h"
#include "tests/assistant/TestHost.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

namespace fs = std::filesystem;
using talv::TalvAssistant;
using talv::Value;
using talv::test::TestHost;

namespace {

class TalvAssistantTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A program that records each start, and a desktop file naming it "Talvessa".
        program_ = talv::test::homeDir() / "bin" / "talvessa";
        talv::test::writeFile(program_, "#!/bin/sh\necho started >> \"$0.started\"\n");
        fs::permissions(program_, fs::perms::owner_all);
        setDesktopApplication(false);
        auto& defaults = talv::UserDefaults::standard();
        ASSERT_TRUE(defaults.removeObjectForKey("EnhanceIChat"));
        ASSERT_TRUE(defaults.removeObjectForKey("TalvLocation"));
    }

    // GIO lists desktop files once per process but reads each again at every lookup, so the
    // file always exists and is made unusable (Hidden) when no application should be found.
    void setDesktopApplication(bool present) {
        talv::test::writeFile(desktopFile(), "[Desktop Entry]\nType=Application\nName=Talvessa\nExec=" +
                                                 program_.string() + (present ? "\n" : "\nHidden=true\n"));
    }
    static fs::path desktopFile() { return talv::test::homeDir() / "data" / "applications" / "talvessa.desktop"; }

    static void setPreference(const char* key, Value value) {
        ASSERT_TRUE(talv::UserDefaults::standard().setObject(key, std::move(value)));
    }

    fs::path program_;
};

TEST_F(TalvAssistantTest, InAnotherProgramItAddsNothingAndListensToNothing) {
    setPreference("EnhanceIChat", 1);
    setPreference("TalvLocation", program_.string());
    for (const char* other : {"Pidgin", "finch", ""}) {
        TestHost host(other);
        EXPECT_EQ(TalvAssistant::create(host), nullptr) << other;
        EXPECT_EQ(host.subscriptions(), 0u);
        EXPECT_TRUE(host.assistantItems().empty());
    }
}

TEST_F(TalvAssistantTest, TheItemFollowsTheSettingAndItsNotifications) {
    setPreference("TalvLocation", program_.string());
    TestHost host;
    auto absent = TalvAssistant::create(host);
    EXPECT_TRUE(host.assistantItems().empty()) << "no setting, no item";
    absent.reset();

    setPreference("EnhanceIChat", 0);
    auto assistant = TalvAssistant::create(host);
    ASSERT_NE(assistant, nullptr);
    EXPECT_TRUE(host.assistantItems().empty());

    host.post("orvane.tal.assistant", {{"enabled", Value(1)}});
    host.post("orvane.tal.assistant", {{"enabled", Value(true)}});
    auto items = host.assistantItems();
    ASSERT_EQ(items.size(), 1u) << "two notifications add one item";
    EXPECT_EQ(items[0], &host.tools().items.back()) << "appended at the end of the menu";
    EXPECT_EQ(items[0]->title, "Talvessa");
    EXPECT_EQ(items[0]->keyEquivalent, '0');

    host.post("other.notification", {{"enabled", Value(0)}});
    EXPECT_EQ(host.assistantItems().size(), 1u);

    items[0]->title = "Renamed";
    host.post("orvane.tal.assistant", {});
    EXPECT_TRUE(host.assistantItems().empty()) << "a notification without \"enabled\" removes the item, whatever its title";
    EXPECT_EQ(host.tools().items.size(), 2u) << "the host's own items stay";
}

TEST_F(TalvAssistantTest, ChoosingTheItemOpensTheApplicationOrBeeps) {
    setPreference("EnhanceIChat", 1);
    setPreference("TalvLocation", program_.string());
    TestHost host;
    auto assistant = TalvAssistant::create(host);
    ASSERT_EQ(host.assistantItems().size(), 1u);

    host.assistantItems()[0]->activate();
    EXPECT_EQ(host.opened, std::vector<std::string>{program_.string()});

    host.openSucceeds = false;
    host.assistantItems()[0]->activate();
    EXPECT_EQ(host.beeps, 1) << "a failed open is not silent";

    fs::remove(program_);
    host.assistantItems()[0]->activate();
    EXPECT_EQ(host.opened.size(), 2u);
    EXPECT_EQ(host.beeps, 2) << "the application has gone since the item was added";

    assistant.reset();
    EXPECT_TRUE(host.assistantItems().empty()) << "the item goes with the plug-in";
    EXPECT_EQ(host.subscriptions(), 0u);
}

TEST_F(TalvAssistantTest, AStaleLocationFallsBackToTheDesktopApplication) {
    setPreference("EnhanceIChat", 1);
    setPreference("TalvLocation", (talv::test::homeDir() / "moved" / "talvessa").string());
    {
        TestHost host;
        auto assistant = TalvAssistant::create(host);
        EXPECT_TRUE(host.assistantItems().empty()) << "neither the location nor a desktop application";
        host.post("orvane.tal.assistant", {{"enabled", Value(1)}});
        EXPECT_TRUE(host.assistantItems().empty());
    }

    setDesktopApplication(true);
    TestHost host;
    auto assistant = TalvAssistant::create(host);
    ASSERT_EQ(host.assistantItems().size(), 1u);
    host.assistantItems()[0]->activate();
    ASSERT_EQ(host.opened, std::vector<std::string>{desktopFile().string()});

    // Opening the desktop file really starts its program.
    ASSERT_TRUE(talv::openFile(host.opened[0]));
    fs::path started = program_.string() + ".started";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(started) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(fs::exists(started));
}

}  // namespace
