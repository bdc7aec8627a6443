// talvessa-cli where a first run goes wrong: an archive that cannot be read or written, a home
// spelled in several ways, a home without transcripts, and listings read on a terminal.
#include "cli/OutputText.h"
#include "store/FMDatabase.h"
#include "tests/cli/CliArchive.h"
#include "tools/ArchiveWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

namespace fs = std::filesystem;
using namespace talv;

namespace {

constexpr int kChats = 12;

// Each test works on an archive, a cache and transcripts of its own.
class ArchiveProblems : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
        tools::ArchiveOptions options;
        options.seed = 7;
        options.chats = kChats;
        options.messagesPerChat = 4;
        tools::writeArchive(home_, tools::generateArchiveContent(options));
    }

    fs::path archive() const { return dir_ / "data/Orvane/Talvessa/Transcripts Database"; }

    test::TempDir dir_;
    const fs::path home_ = dir_ / "mac";
};

test::CliResult onHome(const fs::path& home, std::vector<std::string> args) {
    args.insert(args.begin(), {"--transcripts-home", home.string()});
    return test::runCli(args);
}

// Overwrites every page after the first with other bytes: the header stays intact.
void overwritePages(const fs::path& file) {
    std::string bytes = test::readFile(file);
    ASSERT_GT(bytes.size(), 100u);
    const std::size_t size = static_cast<unsigned char>(bytes[16]) << 8 | static_cast<unsigned char>(bytes[17]);
    for (std::size_t i = size == 1 ? 65536 : size; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 3);
    test::writeFile(file, bytes);
}

// A file that cannot be opened for writing while the object lives: its permissions, and for
// root the immutable attribute, where the file system has one.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(fs::path path) : path_(std::move(path)) {
        fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        if (!readOnly()) immutable_ = test::setImmutable(path_, true);
    }
    ~ReadOnlyFile() {
        if (immutable_) test::setImmutable(path_, false);
        fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool readOnly() const {
        const int fd = open(path_.c_str(), O_RDWR);
        if (fd >= 0) close(fd);
        return fd < 0;
    }

private:
    fs::path path_;
    bool immutable_ = false;
};

}  // namespace

TEST_F(ArchiveProblems, FailedReadsAndWritesAreErrorsNamingTheFileAndTheRemedy) {
    ASSERT_EQ(onHome(home_, {"index"}).exitCode, 0);

    // A damaged identity cache holds nothing that cannot be looked up again: it is rebuilt.
    const fs::path cache = dir_ / "cache/Orvane/Talvessa/Tal Cache";
    overwritePages(cache);
    const test::CliResult listed = onHome(home_, {"list", "--json"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find("\"count\": " + std::to_string(kChats)), std::string::npos) << listed.out;
    EXPECT_TRUE(fs::exists(cache.string() + ".damaged"));

    // A damaged archive never reads as an empty one.
    overwritePages(archive());
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{{"index"}, {"list"}, {"show", "1"}}) {
        const test::CliResult failed = onHome(home_, command);
        EXPECT_EQ(failed.exitCode, 1) << command[0];
        EXPECT_EQ(failed.out.find("chats"), std::string::npos) << failed.out;
        EXPECT_NE(failed.err.find("\"" + archive().string() + "\""), std::string::npos) << failed.err;
        EXPECT_NE(failed.err.find("Move it aside and index again"), std::string::npos) << failed.err;
    }

    // A read-only archive can be read, but indexing into it fails.
    fs::remove(archive());
    ASSERT_EQ(onHome(home_, {"index"}).exitCode, 0);
    const fs::path transcript = home_ / "Library/Application Support/Fire/Sessions";
    for (const auto& entry : fs::recursive_directory_iterator(transcript)) {
        if (entry.is_regular_file()) test::setModificationDate(entry.path(), static_cast<double>(time(nullptr) + 5));
    }
    ReadOnlyFile readOnly(archive());
    if (!readOnly.readOnly()) GTEST_SKIP() << "no file can be made read-only here";
    const test::CliResult read = onHome(home_, {"list"});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    const test::CliResult written = onHome(home_, {"index"});
    EXPECT_EQ(written.exitCode, 1) << written.out;
    EXPECT_NE(written.err.find("readonly"), std::string::npos) << written.err;

    // Watching stops on an interrupt after its launch passes and says what it failed to store. Under
    // the sanitizers on a loaded machine the launch passes took more than 5 s.
    const std::string cli = TALV_CLI_PATH;
    std::vector<const char*> argv{"timeout", "--preserve-status", "-s", "INT", "12", cli.c_str(), "--transcripts-home", home_.c_str(), "watch", nullptr};
    gchar* err = nullptr;
    gint status = 0;
    ASSERT_TRUE(g_spawn_sync(nullptr, const_cast<gchar**>(argv.data()), nullptr, static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL),
                             nullptr, nullptr, nullptr, &err, &status, nullptr));
    const std::string watchErr = err ? err : "";
    g_free(err);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status << watchErr;
    EXPECT_NE(watchErr.find("readonly"), std::string::npos) << watchErr;
}

TEST_F(ArchiveProblems, EverySpellingOfTheHomeHoldsTheSameChats) {
    fs::create_directory_symlink(home_, dir_ / "link");
    const std::string held = "the archive holds " + std::to_string(kChats) + " chats.";
    for (const std::string& spelling : {std::string("mac"), home_.string(), (dir_ / "link").string(),
                                        (dir_ / "link/../mac/").string(), (dir_ / "./mac").string()}) {
        const test::CliResult indexed = test::runCli({"--transcripts-home", spelling, "index"}, dir_.path());
        EXPECT_EQ(indexed.exitCode, 0) << spelling << indexed.err;
        EXPECT_NE(indexed.out.find(held), std::string::npos) << spelling << indexed.out;
    }

    // An archive that an earlier build filled under other spellings: each chat is found again,
    // and the copies the spellings made are merged.
    {
        FMDatabase db(archive().string());
        ASSERT_TRUE(db.open());
        const std::vector<SqlValue> spellings{home_.string(), (dir_ / "link").string()};
        for (const char* sql : {"CREATE TEMP TABLE Copies AS SELECT * FROM Chats;",
                                "UPDATE Copies SET ROWID = ROWID + 1000, FilePath = replace(FilePath, ?, 'mac');",
                                "INSERT INTO Chats SELECT * FROM Copies;",
                                "UPDATE Chats SET FilePath = replace(FilePath, ?1, ?2) WHERE ROWID < 1000;",
                                "UPDATE DirectoryTimestamps SET Path = replace(Path, ?1, ?2);", "PRAGMA user_version = 1;"})
            ASSERT_EQ(db.executeUpdate(sql, spellings), 0) << sql << db.lastErrorMessage();
    }
    const test::CliResult again = test::runCli({"--transcripts-home", "mac", "index"}, dir_.path());
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("Read 0 iChat, 0 Adium and 0 Fire transcripts; " + held), std::string::npos) << again.out;
}

TEST_F(ArchiveProblems, AHomeWithoutTranscriptsIsWarnedAboutAndAnEmptyArchiveSaysHowToFillIt) {
    const test::CliResult never = test::runCli({"list"});
    EXPECT_EQ(never.exitCode, 0) << never.err;
    EXPECT_NE(never.err.find("'talvessa-cli index'"), std::string::npos) << never.err;

    fs::create_directories(dir_ / "empty");
    for (const fs::path& home : {dir_ / "nowhere", dir_ / "empty"}) {
        const test::CliResult indexed = onHome(home, {"index"});
        EXPECT_EQ(indexed.exitCode, 1) << home;
        EXPECT_NE(indexed.err.find("warning"), std::string::npos) << indexed.err;
        for (const char* folder : {"Documents/iChats", "Documents/iChats (Razevariged)",
                                   "Library/Application Support/Adium 2.0/Users", "Library/Application Support/Fire/Sessions"})
            EXPECT_NE(indexed.err.find((home / folder).string()), std::string::npos) << folder << "\n" << indexed.err;
    }
}

TEST_F(ArchiveProblems, ListingsFitTheTerminalNewestFirst) {
    ASSERT_EQ(onHome(home_, {"index"}).exitCode, 0);
    setenv("COLUMNS", "64", 1);
    const test::CliResult plain = onHome(home_, {"list"});
    unsetenv("COLUMNS");
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    std::istringstream lines(plain.out);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(cli::displayWidth(line), 64u) << line;
    // Wide characters take two columns, and cut cells end in an ellipsis.
    EXPECT_EQ(cli::alignedColumns({{"駅で会う", "x"}, {"abcdefghij", "y"}}, 12), "駅で会う   x\nabcdefgh…  y\n");

    const test::CliResult byDefault = onHome(home_, {"list", "--json", "--when", "all"});
    EXPECT_EQ(byDefault.exitCode, 0) << byDefault.err;
    EXPECT_EQ(byDefault.out, onHome(home_, {"list", "--json", "--sort", "datestarted:desc"}).out);

    const test::CliResult style = onHome(home_, {"show", "1", "--style", "Bogus"});
    EXPECT_EQ(style.exitCode, 2);
    EXPECT_NE(style.err.find("Bubbles, Compact, Default"), std::string::npos) << style.err;
    const test::CliResult misplaced = test::runCli({"list", "--transcripts-home", home_.string()});
    EXPECT_EQ(misplaced.exitCode, 2);
    EXPECT_NE(misplaced.err.find("goes before the command"), std::string::npos) << misplaced.err;
}
