#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using talv::Paths;

namespace {

// Sets or unsets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

TEST(Paths, XdgFoldersFollowTheEnvironmentAndItsDefaults) {
    const fs::path home = talv::test::homeDir();
    EXPECT_EQ(Paths::home(), home);
    EXPECT_EQ(Paths::applicationSupport(), home / "data" / "Orvane" / "Talvessa");
    EXPECT_EQ(Paths::caches(), home / "cache" / "Orvane" / "Talvessa");
    EXPECT_EQ(Paths::preferences(), home / "config" / "Orvane" / "Preferences");
    {
        ScopedEnv data("XDG_DATA_HOME", nullptr), cache("XDG_CACHE_HOME", ""), config("XDG_CONFIG_HOME", "relative/dir");
        EXPECT_EQ(Paths::applicationSupport(), home / ".local/share" / "Orvane" / "Talvessa");
        EXPECT_EQ(Paths::caches(), home / ".cache" / "Orvane" / "Talvessa");
        EXPECT_EQ(Paths::preferences(), home / ".config" / "Orvane" / "Preferences");
    }
    {
        ScopedEnv tmp("TMPDIR", "/var/tmp/x//");
        EXPECT_EQ(Paths::temporary(), fs::path("/var/tmp/x"));
    }
    {
        ScopedEnv tmp("TMPDIR", nullptr);
        EXPECT_EQ(Paths::temporary(), fs::path("/tmp"));
    }
}

TEST(Paths, TildeExpandsOnlyAtTheStart) {
    const std::string home = talv::test::homeDir().string();
    EXPECT_EQ(Paths::expandTilde("~"), home);
    EXPECT_EQ(Paths::expandTilde("~/Documents/iChats"), home + "/Documents/iChats");
    EXPECT_EQ(Paths::expandTilde("/a/~/b"), "/a/~/b");
    EXPECT_EQ(Paths::expandTilde("x~"), "x~");
    EXPECT_EQ(Paths::expandTilde("~root/x"), "/root/x");
    EXPECT_EQ(Paths::expandTilde("~no-such-user-here/x"), "~no-such-user-here/x");
    EXPECT_EQ(Paths::expandTilde(""), "");
}

TEST(Paths, TranscriptsHomeIsOverrideThenDefaultThenHome) {
    auto& defaults = talv::UserDefaults::standard();
    EXPECT_EQ(Paths::transcriptsHome(), talv::test::homeDir());
    defaults.setObject("TranscriptsHome", "~/mac-home");
    EXPECT_EQ(Paths::transcriptsHome(), talv::test::homeDir() / "mac-home");
    Paths::setTranscriptsHomeOverride(fs::path("/mnt/other"));
    EXPECT_EQ(Paths::transcriptsHome(), fs::path("/mnt/other"));
    Paths::setTranscriptsHomeOverride(std::nullopt);
    defaults.removeObjectForKey("TranscriptsHome");
    EXPECT_EQ(Paths::transcriptsHome(), talv::test::homeDir());
}
