#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

using talv::UserDefaults;
using talv::Value;

namespace {

Value fileContents(const UserDefaults& defaults) {
    auto v = Value::fromPlist(talv::test::readFile(defaults.filePath()));
    return v ? *v : Value();
}

// Runs body in a forked child process and waits for it; the child's exit status is returned.
template <typename Body>
int inChildProcess(Body body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body() ? 0 : 1);
    int status = -1;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(UserDefaults, ValuesRoundTripThroughTheDomainFile) {
    auto& defaults = UserDefaults::forDomain("test.roundtrip");
    EXPECT_EQ(defaults.filePath(), talv::Paths::preferences() / "test.roundtrip.plist");
    EXPECT_EQ(UserDefaults::standard().domain(), "orvane.talvessa");

    Value::Dictionary sort{{"key", "DateStarted"}, {"ascending", false}};
    EXPECT_TRUE(defaults.setObject("Verbose", true));
    EXPECT_TRUE(defaults.setObject("SUHowOften.tal", 7));
    EXPECT_TRUE(defaults.setObject("TableFontSize", 11.5));
    EXPECT_TRUE(defaults.setObject("TableFontName", "Lucida Grande"));
    EXPECT_TRUE(defaults.setObject("ChatsTable_Sort", Value::Array{Value(sort)}));
    EXPECT_TRUE(defaults.setObject("Window", Value(sort)));

    Value onDisk = fileContents(defaults);
    ASSERT_NE(onDisk.find("ChatsTable_Sort"), nullptr);
    EXPECT_EQ(*onDisk.find("ChatsTable_Sort"), Value(Value::Array{Value(sort)}));
    EXPECT_EQ(*onDisk.find("TableFontSize"), Value(11.5));

    EXPECT_TRUE(defaults.boolForKey("Verbose"));
    EXPECT_EQ(defaults.integerForKey("SUHowOften.tal"), 7);
    EXPECT_DOUBLE_EQ(defaults.doubleForKey("TableFontSize"), 11.5);
    EXPECT_EQ(defaults.stringForKey("TableFontName"), "Lucida Grande");
    EXPECT_EQ(defaults.arrayForKey("ChatsTable_Sort").size(), 1u);
    EXPECT_EQ(defaults.dictionaryForKey("Window"), sort);

    // Fallbacks for absent keys and for values of another kind; texts that hold numbers convert.
    EXPECT_EQ(defaults.integerForKey("Missing", 42), 42);
    EXPECT_EQ(defaults.stringForKey("SUHowOften.tal", "none"), "none");
    EXPECT_TRUE(defaults.arrayForKey("Window", {Value(1)}) == Value::Array{Value(1)});
    defaults.setObject("AsText", "12");
    EXPECT_EQ(defaults.integerForKey("AsText", 0), 12);
    defaults.setObject("AsText", "YES");
    EXPECT_TRUE(defaults.boolForKey("AsText", false));
    defaults.setObject("AsText", "words");
    EXPECT_EQ(defaults.integerForKey("AsText", 5), 5);

    EXPECT_TRUE(defaults.removeObjectForKey("Verbose"));
    EXPECT_FALSE(defaults.objectForKey("Verbose"));
    EXPECT_EQ(fileContents(defaults).find("Verbose"), nullptr);
}

TEST(UserDefaults, DomainsIgnoreCaseAsOnTheDisksTheFilesComeFrom) {
    auto path = talv::Paths::preferences() / "com.apple.iChat.plist";
    talv::test::writeFile(path, Value(Value::Dictionary{{"SavedChatsFolder", "~/Chats"}}).toXmlPlist());
    auto& lower = UserDefaults::forDomain("com.apple.ichat");
    EXPECT_EQ(&lower, &UserDefaults::forDomain("com.apple.iChat"));
    EXPECT_EQ(lower.stringForKey("SavedChatsFolder"), "~/Chats");
    EXPECT_TRUE(lower.setObject("AutosaveChats", 1));
    EXPECT_EQ(fileContents(lower).find("AutosaveChats")->integerOr(0), 1);
    EXPECT_EQ(lower.filePath(), path);
}

TEST(UserDefaults, RegisteredValuesAreReadButNeverWritten) {
    auto& defaults = UserDefaults::forDomain("test.registration");
    defaults.registerDefaults({{"ChatDisplayTimestamps", true}, {"SUHowOften.tal", 7}});
    EXPECT_TRUE(defaults.boolForKey("ChatDisplayTimestamps"));
    EXPECT_EQ(defaults.integerForKey("SUHowOften.tal"), 7);

    defaults.setObject("SUHowOften.tal", 1);
    EXPECT_EQ(defaults.integerForKey("SUHowOften.tal"), 1);
    EXPECT_TRUE(defaults.synchronize());
    Value onDisk = fileContents(defaults);
    EXPECT_EQ(onDisk, Value(Value::Dictionary{{"SUHowOften.tal", 1}}));

    defaults.removeObjectForKey("SUHowOften.tal");
    EXPECT_EQ(defaults.integerForKey("SUHowOften.tal"), 7);
    EXPECT_EQ(fileContents(defaults), Value(Value::Dictionary{}));
}

TEST(UserDefaults, AnotherProcessesWritesAreSeenAfterSynchronize) {
    auto& defaults = UserDefaults::forDomain("orvane.updater");
    defaults.setObject("Status", "idle");
    std::vector<std::optional<Value>> seen;
    auto token = defaults.addObserver("Status", [&](const std::optional<Value>& v) { seen.push_back(v); });

    int rc = inChildProcess([] {
        // A fresh process reads the file anew.
        auto& child = UserDefaults::forDomain("orvane.updater");
        return child.stringForKey("Status") == "idle" && child.setObject("Status", "downloading") &&
               child.setObject("Progress", 0.5);
    });
    ASSERT_EQ(rc, 0);

    EXPECT_EQ(defaults.stringForKey("Status"), "idle");  // still the value read before
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(defaults.stringForKey("Status"), "downloading");
    EXPECT_DOUBLE_EQ(defaults.doubleForKey("Progress"), 0.5);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], Value("downloading"));

    // A write of ours keeps the other process's keys.
    defaults.setObject("Mine", 1);
    EXPECT_EQ(fileContents(defaults).find("Progress")->realOr(0), 0.5);
}

TEST(UserDefaults, ObserversSeeEffectiveChangesUntilRemoved) {
    auto& defaults = UserDefaults::forDomain("test.observers");
    std::vector<std::optional<Value>> fonts;
    int others = 0;
    auto token = defaults.addObserver("Font", [&](const std::optional<Value>& v) { fonts.push_back(v); });
    auto otherToken = defaults.addObserver("Other", [&](const std::optional<Value>&) { ++others; });

    defaults.registerDefaults({{"Font", "Helvetica"}});
    defaults.setObject("Font", "Times");
    defaults.setObject("Font", "Times");  // unchanged: no call
    defaults.removeObjectForKey("Font");  // back to the registered value
    ASSERT_EQ(fonts.size(), 3u);
    EXPECT_EQ(fonts[0], Value("Helvetica"));
    EXPECT_EQ(fonts[1], Value("Times"));
    EXPECT_EQ(fonts[2], Value("Helvetica"));
    EXPECT_EQ(others, 0);

    // An observer may use the defaults, and removal stops the calls.
    int reads = 0;
    auto reader = defaults.addObserver("Other", [&](const std::optional<Value>&) { reads += defaults.integerForKey("Other") == 2; });
    token.reset();
    defaults.setObject("Font", "Courier");
    defaults.setObject("Other", 2);
    EXPECT_EQ(fonts.size(), 3u);
    EXPECT_EQ(others, 1);
    EXPECT_EQ(reads, 1);
}

TEST(UserDefaults, DamagedFileIsKeptAsideAndReadsEmpty) {
    talv::LogCapture log;
    auto path = talv::Paths::preferences() / "test.damaged.plist";
    talv::test::writeFile(path, "<plist><dict><key>half");
    auto& defaults = UserDefaults::forDomain("test.damaged");
    EXPECT_FALSE(defaults.objectForKey("half"));
    EXPECT_TRUE(log.contains("is not a property list"));
    auto aside = path;
    aside += ".damaged";
    EXPECT_EQ(talv::test::readFile(aside), "<plist><dict><key>half");
    EXPECT_TRUE(defaults.setObject("fresh", 1));
    EXPECT_EQ(fileContents(defaults), Value(Value::Dictionary{{"fresh", 1}}));
}

TEST(UserDefaults, ConcurrentWritersLoseNothing) {
    auto& defaults = UserDefaults::forDomain("test.threads");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&defaults, t] {
            for (int i = 0; i < 10; ++i) {
                defaults.setObject("k" + std::to_string(t) + "-" + std::to_string(i), i);
                defaults.integerForKey("k0-0");
            }
        });
    for (auto& th : threads) th.join();
    auto onDisk = fileContents(defaults);
    ASSERT_TRUE(onDisk.asDictionary());
    EXPECT_EQ(onDisk.asDictionary()->size(), 40u);
}
