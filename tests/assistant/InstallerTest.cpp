#include "assistant/AssistantPreference.h"
#include "assistant/PluginVersion.h"
#include "assistant/TalvAssistantInstaller.h"
#include "platform/DistributedNotificationCenter.h"
#include "platform/RunLoop.h"
#include "tests/support/TestEnvironment.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace fs = std::filesystem;
using talv::AssistantInstallResult;
using talv::Command;
using talv::PrivilegedRun;
using Status = talv::AssistantInstallResult::Status;

namespace {

// Runs the commands with the test's own rights (root in CI), as pkexec would after authorising.
class DirectRunner : public talv::PrivilegeRunner {
public:
    PrivilegedRun run(const std::vector<Command>& commands) override {
        calls.push_back(commands);
        PrivilegedRun result;
        result.authorization = authorization;
        if (authorization != PrivilegedRun::Authorization::Granted) return result;
        for (const Command& command : commands) {
            std::vector<char*> argv;
            for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
            argv.push_back(nullptr);
            int wait = 0;
            if (g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_STDERR_TO_DEV_NULL, nullptr, nullptr, nullptr,
                             nullptr, &wait, nullptr)) {
                result.exitStatuses.emplace_back(WIFEXITED(wait) ? WEXITSTATUS(wait) : -1);
            } else {
                result.exitStatuses.emplace_back(std::nullopt);
            }
        }
        return result;
    }

    PrivilegedRun::Authorization authorization = PrivilegedRun::Authorization::Granted;
    std::vector<std::vector<Command>> calls;
};

std::string pluginWithVersion(const char* version) {
    return std::string("\x7f" "ELF stand-in\0", 14) + TAL_ASSISTANT_VERSION_MARK + version + std::string(1, '\0') + "tail";
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        resources_ = dir_ / "share" / "talvessa";
        destination_ = dir_ / "lib" / "purple-2";
        source_ = resources_ / "Tal Assistant" / "tal-assistant.so";
        talv::test::writeFile(source_, pluginWithVersion("1.2.0"));
    }

    AssistantInstallResult install() {
        talv::TalvAssistantInstaller installer(resources_, destination_, runner_);
        return installer.installTalvAssistant();
    }

    static void requireRoot() {
        if (geteuid() != 0) GTEST_SKIP() << "the installer's tools set the owner root, which needs root (as in CI)";
    }

    talv::test::TempDir dir_;
    fs::path resources_, destination_, source_;
    DirectRunner runner_;
};

TEST_F(InstallerTest, AFreshInstallCreatesTheFolderCopiesThePluginBehindTheLinkAndLeavesItToRoot) {
    requireRoot();
    // As installed: the resource folder holds a link to the plug-in in lib/talvessa.
    const fs::path plugin = dir_ / "lib" / "talvessa" / "tal-assistant.so";
    fs::create_directories(plugin.parent_path());
    fs::rename(source_, plugin);
    fs::create_symlink("../../../lib/talvessa/tal-assistant.so", source_);
    // The copy keeps the source's owner and modes; the last steps must take them away.
    ASSERT_EQ(chown(source_.c_str(), 1000, 1000), 0);
    fs::permissions(source_, fs::perms::all);

    AssistantInstallResult result = install();
    ASSERT_EQ(result.status, Status::Installed) << result.message;
    ASSERT_EQ(runner_.calls.size(), 1u);
    ASSERT_EQ(runner_.calls[0].size(), 5u);
    EXPECT_EQ(runner_.calls[0][0], (Command{"/bin/mkdir", "-p", destination_.string() + "/"}));

    fs::path installed = destination_ / "tal-assistant.so";
    EXPECT_FALSE(fs::is_symlink(installed));
    EXPECT_EQ(talv::test::readFile(installed), talv::test::readFile(plugin));
    for (const fs::path& path : {destination_, installed}) {
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 0u) << path;
        EXPECT_EQ(info.st_gid, 0u) << path;
        EXPECT_EQ(info.st_mode & (S_IWGRP | S_IWOTH), 0u) << path;
    }
}

TEST_F(InstallerTest, TheSameOrANewerVersionInstallsNothingAndAsksNothing) {
    for (const char* present : {"1.2.0", "1.10.0"}) {
        talv::test::writeFile(destination_ / "tal-assistant.so", pluginWithVersion(present));
        EXPECT_EQ(install().status, Status::UpToDate) << present;
    }
    fs::remove(source_);
    fs::remove(destination_ / "tal-assistant.so");
    EXPECT_EQ(install().status, Status::NotInstallable) << "no plug-in among the resources";
    EXPECT_TRUE(runner_.calls.empty());
}

TEST_F(InstallerTest, AnOlderVersionGoesToTheTrashAndIsReplaced) {
    requireRoot();
    fs::path installed = destination_ / "tal-assistant.so";
    talv::test::writeFile(installed, pluginWithVersion("1.1.9"));
    // Everything in the folder ends up the system's, other plug-ins included.
    fs::path neighbour = destination_ / "other.so";
    talv::test::writeFile(neighbour, "other");
    fs::permissions(neighbour, fs::perms::all);

    AssistantInstallResult result = install();
    ASSERT_EQ(result.status, Status::Installed) << result.message;
    ASSERT_EQ(runner_.calls.size(), 1u);
    EXPECT_EQ(runner_.calls[0].front().front(), "/bin/cp") << "the folder exists: nothing to create";
    EXPECT_EQ(talv::readPluginVersion(installed), talv::parsePluginVersion("1.2.0"));
    fs::path trashed = talv::test::homeDir() / "data" / "Trash" / "files" / "tal-assistant.so";
    EXPECT_EQ(talv::readPluginVersion(trashed), talv::parsePluginVersion("1.1.9"));
    EXPECT_EQ(fs::status(neighbour).permissions() & (fs::perms::group_write | fs::perms::others_write), fs::perms::none);
}

TEST_F(InstallerTest, FailuresAreReportedAndRefusalLeavesTheUserInstall) {
    // The plug-in folder is a file: the copy fails.
    talv::test::writeFile(destination_, "not a folder");
    AssistantInstallResult failed = install();
    EXPECT_EQ(failed.status, Status::Failed);
    EXPECT_NE(failed.message.find("/bin/cp"), std::string::npos) << failed.message;
    fs::remove(destination_);

    runner_.authorization = PrivilegedRun::Authorization::Refused;
    EXPECT_EQ(install().status, Status::AuthorizationRefused);
    EXPECT_FALSE(fs::exists(destination_));

    talv::TalvAssistantInstaller installer(resources_, destination_, runner_);
    fs::path userFolder = dir_ / "home" / ".purple" / "plugins";
    ASSERT_EQ(installer.installForUser(userFolder).status, Status::Installed);
    EXPECT_EQ(talv::test::readFile(userFolder / "tal-assistant.so"), talv::test::readFile(source_));
    EXPECT_EQ(installer.installForUser(userFolder).status, Status::UpToDate);
    EXPECT_EQ(runner_.calls.size(), 2u) << "the user install runs nothing privileged";
}

// pkexec stands in for itself here: a program of the same name that runs the helper directly.
TEST_F(InstallerTest, TheHelperRunsTheStepsItIsGivenAndReportsEachStatus) {
    fs::path bin = dir_ / "bin";
    talv::test::writeFile(bin / "pkexec", "#!/bin/sh\nexec \"$@\"\n");
    fs::permissions(bin / "pkexec", fs::perms::owner_all);
    std::string path = bin.string() + ":" + std::getenv("PATH");
    setenv("PATH", path.c_str(), 1);

    talv::PkexecRunner runner(TALV_TEST_HELPER);
    fs::path target = dir_ / "a folder $(touch injected)";
    PrivilegedRun run = runner.run({{"/bin/mkdir", "-p", target.string()},
                                    {"/bin/rm", "-rf", target.string()},
                                    {"/bin/chmod", "go-w", (dir_ / "missing").string()}});
    EXPECT_EQ(run.authorization, PrivilegedRun::Authorization::Granted) << run.error;
    ASSERT_EQ(run.exitStatuses.size(), 3u);
    EXPECT_EQ(run.exitStatuses[0], 0);
    EXPECT_EQ(run.exitStatuses[1], std::nullopt) << "only the installer's tools run";
    EXPECT_NE(run.exitStatuses[2], 0);
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_FALSE(fs::exists(fs::current_path() / "injected"));

    talv::test::writeFile(bin / "pkexec", "#!/bin/sh\nexit 126\n");
    EXPECT_EQ(runner.run({{"/bin/mkdir", "-p", target.string()}}).authorization, PrivilegedRun::Authorization::Refused);
}

TEST(AssistantPluginFile, TheBuiltPluginCarriesItsVersion) {
#ifndef TALV_TEST_PLUGIN
    GTEST_SKIP() << "the Pidgin plug-in is not built (no Pidgin development files)";
#else
    EXPECT_EQ(talv::readPluginVersion(TALV_TEST_PLUGIN), talv::parsePluginVersion(TAL_ASSISTANT_VERSION));
#endif
}

// The preferences' check box, with a private session bus standing in for the user's.
TEST(EnhancePreference, TogglingStoresTheSettingAndTellsTheChatClients) {
    GTestDBus* bus = g_test_dbus_new(G_TEST_DBUS_NONE);
    g_test_dbus_up(bus);
    std::vector<talv::Value::Dictionary> received;
    {
        auto token = talv::DistributedNotificationCenter::addObserver(
            "orvane.tal.assistant", "", [&](const std::string&, const std::string&, const talv::Value& info) {
                received.push_back(info.asDictionary() ? *info.asDictionary() : talv::Value::Dictionary{});
            });
        ASSERT_TRUE(token);
        auto& defaults = talv::UserDefaults::standard();
        ASSERT_TRUE(defaults.setObject("EnhanceIChat", 1));
        ASSERT_TRUE(talv::initializeEnhanceIChat(defaults, false));
        EXPECT_EQ(defaults.integerForKey("EnhanceIChat", -1), 0) << "not installed: off, whatever it held";

        talv::test::TempDir empty;
        DirectRunner runner;
        talv::TalvAssistantInstaller installer(empty.path(), empty.path() / "plugins", runner);
        talv::EnhanceToggleResult on = talv::toggleEnhance(true, defaults, installer);
        EXPECT_EQ(on.problem, "");
        ASSERT_TRUE(on.install);
        EXPECT_EQ(on.install->status, Status::NotInstallable);
        talv::EnhanceToggleResult off = talv::toggleEnhance(false, defaults, installer);
        EXPECT_FALSE(off.install);

        ASSERT_TRUE(talv::RunLoop::runUntil([&] { return received.size() == 2; }, 30.0));
        EXPECT_EQ(received[0].at("enabled"), talv::Value(1));
        EXPECT_EQ(received[1].at("enabled"), talv::Value(0));
        auto written = talv::Value::fromPlist(talv::test::readFile(defaults.filePath()));
        ASSERT_TRUE(written);
        EXPECT_EQ(*written->find("EnhanceIChat"), talv::Value(0));
    }
    g_test_dbus_down(bus);
    g_object_unref(bus);
}

}  // namespace
