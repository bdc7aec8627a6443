#include "platform/Paths.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "tests/support/TestEnvironment.h"
#include "tests/update/Waiting.h"
#include "update/LaunchCheck.h"
#include "update/SystemVersion.h"
#include "update/UpdateKeys.h"
#include "update/UpdaterLauncher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

namespace fs = std::filesystem;
using namespace talv;
using namespace talv::update;

namespace {

constexpr double kDay = 86400;

ProductBundle makeBundle(const fs::path& folder, const std::string& domain) {
    test::writeFile(folder / "Info.plist", Value(Value::Dictionary{{"CFBundleIdentifier", "orvane.talvessa"},
                                                                    {"EnhancerModuleID", domain},
                                                                    {"CFBundleName", "Talvessa"},
                                                                    {"CFBundleVersion", "0.1.0"}})
                                               .toXmlPlist());
    return *ProductBundle::atPath(folder);
}

struct Launches {
    std::vector<std::string> domains;
    LaunchCheckEnvironment environment(Date now, std::uint32_t system) {
        LaunchCheckEnvironment env;
        env.now = now;
        env.packedSystemVersion = system;
        env.startUpdater = [this](const ProductBundle&, const std::string& domain) {
            domains.push_back(domain);
            return 0;
        };
        return env;
    }
};

}  // namespace

TEST(LaunchCheck, StartsTheUpdaterWhenACheckIsDueAndRecordsIt) {
    test::TempDir dir;
    const Date now{1.7e9};
    const std::uint32_t system = 0x120000;
    struct Case {
        const char* what;
        Value::Dictionary stored;
        bool starts;
    };
    const std::vector<Case> cases = {
        {"first launch", {}, true},
        {"six days", {{kLastCheckDate, Date{now.secondsSince1970 - 6 * kDay}}, {kLastRunSystemVersion, 0x120000}}, false},
        {"seven days", {{kLastCheckDate, Date{now.secondsSince1970 - 7 * kDay}}, {kLastRunSystemVersion, 0x120000}}, true},
        {"system changed", {{kLastCheckDate, Date{now.secondsSince1970 - kDay}}, {kLastRunSystemVersion, 0x110400}}, true},
        {"checks off", {{kCheckForUpdates, false}}, false},
        {"daily, a day", {{kCheckInterval, kDay}, {kLastCheckDate, Date{now.secondsSince1970 - kDay}}, {kLastRunSystemVersion, 0x120000}}, true},
        {"never by time", {{kCheckInterval, -1.0}, {kLastRunSystemVersion, 0x120000}}, false},
        {"malformed", {{kCheckForUpdates, "garbage"}, {kCheckInterval, "often"}, {kLastCheckDate, "yesterday"}}, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string domain = "orvane.launch" + std::to_string(n++);
        ProductBundle bundle = makeBundle(dir / domain, domain);
        UserDefaults& defaults = UserDefaults::forDomain(domain);
        for (const auto& [key, value] : c.stored) ASSERT_TRUE(defaults.setObject(key, value));
        Launches launches;

        EXPECT_EQ(runLaunchTimeUpdateCheck(bundle, launches.environment(now, system)), 0);

        EXPECT_EQ(launches.domains, c.starts ? std::vector<std::string>{domain} : std::vector<std::string>{});
        if (c.stored.empty()) {
            EXPECT_EQ(defaults.objectForKey(kCheckForUpdates), Value(true));
        }
        if (c.starts) {
            EXPECT_EQ(defaults.objectForKey(kLastCheckDate), Value(now));
            EXPECT_EQ(defaults.objectForKey(kLastRunSystemVersion), Value(std::int64_t{system}));
        }
    }
}

TEST(LaunchCheck, TheUpdaterStartsInTheBackgroundUnlessAnotherStartHoldsTheLock) {
    test::TempDir dir;
    ProductBundle bundle = makeBundle(dir / "Talvessa", "orvane.tal");
    const fs::path record = dir / "started";
    const fs::path updater = dir / "orvane-updater";
    test::writeFile(updater, "#!/bin/sh\nprintf '%s|' \"$@\" \"${DESKTOP_STARTUP_ID-unset}\" > \"" + record.string() +
                                 ".part\" && mv \"" + record.string() + ".part\" \"" + record.string() + "\"\n");
    fs::permissions(updater, fs::perms::owner_all);
    setenv("DESKTOP_STARTUP_ID", "caller-token", 1);
    const fs::path lock = Paths::temporary() / "orvane.tal.updater.lock";

    test::writeFile(lock, "");
    EXPECT_EQ(startUpdater(bundle, "orvane.tal", updater), EEXIST);
    fs::remove(lock);

    fs::path launched;
    EXPECT_EQ(startUpdater(bundle, "orvane.tal", updater, &launched), 0);
    EXPECT_EQ(launched, updater);
    EXPECT_FALSE(fs::exists(lock));
    ASSERT_TRUE(test::waitUntil([&] { return fs::exists(record); }));
    EXPECT_EQ(test::readFile(record), "--bundle|" + bundle.path().string() + "|--prodID|orvane.tal|unset|");

    EXPECT_EQ(startUpdater(bundle, "orvane.tal", std::nullopt), 0);  // nothing to start: logged only
    unsetenv("DESKTOP_STARTUP_ID");
}

TEST(LaunchCheck, SystemVersionsPackTwoDecimalDigitsPerByte) {
    EXPECT_EQ(packSystemVersion("10.4.11"), 0x100411u);
    EXPECT_EQ(packSystemVersion("12"), 0x120000u);
    EXPECT_EQ(packSystemVersion("22.04"), 0x220400u);
    EXPECT_EQ(packSystemVersion("6.1.0-18-amd64"), 0x060100u);
    EXPECT_EQ(packSystemVersion("2023.100.5"), 0x999905u);
    EXPECT_EQ(packSystemVersion("rolling"), 0u);
    EXPECT_NE(currentPackedSystemVersion(), 0u);
}
