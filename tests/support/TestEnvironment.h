#pragma once
// Helpers shared by the test suites. The test main gives every test process a fresh home
// (HOME, XDG_*, TMPDIR inside one temporary folder) and a fixed TZ before any test runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace talv::test {

// The fresh home folder of this test process.
std::filesystem::path homeDir();
// The corpus of real transcripts: $TALV_CORPUS_DIR, else the build's TALV_CORPUS_DIR setting.
std::filesystem::path corpusDir();

// Sets TZ for the rest of the test (and re-reads the zone); the test main's default is
// "America/New_York", which has daylight saving.
void setTimeZone(const std::string& tz);

void writeFile(const std::filesystem::path& path, std::string_view contents);
// Sets the file's access and modification dates (seconds since 1970, fractional); fails the test
// when it cannot.
void setModificationDate(const std::filesystem::path& path, double secondsSince1970);
std::string readFile(const std::filesystem::path& path);

// Sets or clears the file's (or folder's) immutable attribute, which makes it read-only for root too.
// False where the file system has no such attribute or it may not be changed.
bool setImmutable(const std::filesystem::path& path, bool on);

// Base of the tests that read the corpus: without it they are skipped with one line naming where
// it was looked for, except under CI=true, where a missing corpus fails them.
class CorpusTest : public ::testing::Test {
protected:
    void SetUp() override;
};

// A fresh folder under the home, removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& p) const { return path_ / p; }

private:
    std::filesystem::path path_;
};

}  // namespace talv::test
