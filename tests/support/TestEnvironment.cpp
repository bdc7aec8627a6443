#include "tests/support/TestEnvironment.h"

#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace talv::test {
namespace {

fs::path envPath(const char* name, const fs::path& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? fs::path(v) : fallback;
}

}  // namespace

fs::path homeDir() { return envPath("HOME", "/tmp"); }
fs::path corpusDir() { return envPath("TALV_CORPUS_DIR", TALV_CORPUS_DIR); }

void CorpusTest::SetUp() {
    std::error_code ec;
    if (fs::is_directory(corpusDir(), ec)) return;
    const std::string missing = "no transcript corpus at " + corpusDir().string() +
                                " (configure with -DTALV_CORPUS_DIR=<folder> to run the tests that read it)";
    const char* ci = std::getenv("CI");
    if (ci && std::string_view(ci) == "true") FAIL() << missing;
    GTEST_SKIP() << missing;
}

void setTimeZone(const std::string& tz) {
    setenv("TZ", tz.c_str(), 1);
    tzset();
}

void writeFile(const fs::path& path, std::string_view contents) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void setModificationDate(const fs::path& path, double secondsSince1970) {
    const double whole = std::floor(secondsSince1970);
    const timespec time{static_cast<time_t>(whole), static_cast<long>((secondsSince1970 - whole) * 1e9)};
    const timespec times[2] = {time, time};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

bool setImmutable(const fs::path& path, bool on) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    return done;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TempDir::TempDir() {
    std::string templ = (homeDir() / "tmp-XXXXXX").string();
    fs::create_directories(homeDir());
    if (!g_mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    path_ = templ;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

}  // namespace talv::test
