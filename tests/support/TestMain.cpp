// Test main: a fresh home per test process, a fixed time zone and the C locale, in English.
#include <glib.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::string root = (fs::temp_directory_path() / "talv-test-XXXXXX").string();
    if (!g_mkdtemp(root.data())) return 2;
    const fs::path home(root);
    for (const char* sub : {"config", "data", "cache", "tmp"}) fs::create_directories(home / sub);
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
    setenv("TMPDIR", (home / "tmp").c_str(), 1);
    setenv("TZ", "America/New_York", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    unsetenv("LANGUAGE");  // gettext would follow it even in C.UTF-8; the tests expect English
    tzset();
    std::setlocale(LC_ALL, "C.UTF-8");

    ::testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();

    std::error_code ec;
    fs::remove_all(home, ec);
    return rc;
}
