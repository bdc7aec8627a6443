#include "store/FMDatabase.h"

#include "platform/Log.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

using namespace talv;
using namespace std::chrono_literals;

namespace {

class FMDatabaseTest : public ::testing::Test {
protected:
    FMDatabase openDatabase() {
        FMDatabase db((dir / "test.db").string());
        EXPECT_TRUE(db.open());
        return db;
    }

    int countRows(FMDatabase& db, const std::string& table) {
        auto rs = db.executeQuery("SELECT count(*) AS n FROM " + table + ";");
        EXPECT_TRUE(rs && rs->next());
        const int n = rs->intForColumn("n");
        rs->close();
        return n;
    }

    test::TempDir dir;
};

}  // namespace

TEST_F(FMDatabaseTest, BindsEveryValueKindAndReadsItBack) {
    FMDatabase db = openDatabase();
    ASSERT_EQ(db.executeUpdate("CREATE TABLE T (b BLOB, e BLOB, d REAL, t TEXT, i INTEGER, big INTEGER, "
                               "r REAL, f INTEGER, n1, n2, n3, missing);"),
              SQLITE_OK);
    const Date when{1700000000.25};
    const std::vector<SqlValue> values{Bytes{0, 1, 255}, Bytes{}, when, "h\xC3\xA9llo", 42,
                                       std::int64_t{9007199254740993}, 0.1, true, SqlValue(),
                                       kNullMarker, std::optional<int>()};
    // One value short: the last placeholder binds NULL.
    ASSERT_EQ(db.executeUpdate("INSERT INTO T VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);", values), SQLITE_OK);
    EXPECT_EQ(db.lastInsertRowId(), 1);

    auto rs = db.executeQuery(
        "SELECT *, typeof(b) AS tb, typeof(e) AS te, typeof(d) AS td, typeof(i) AS ti, typeof(r) AS tr, "
        "typeof(f) AS tf, typeof(n1) || typeof(n2) || typeof(n3) || typeof(missing) AS tn FROM T;");
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->dataForColumn("b"), (Bytes{0, 1, 255}));
    EXPECT_EQ(rs->stringForColumn("tb"), "blob");
    EXPECT_EQ(rs->stringForColumn("te"), "blob");  // empty bytes stay a blob, not NULL
    EXPECT_EQ(rs->dataForColumn("e"), Bytes{});
    EXPECT_EQ(rs->stringForColumn("td"), "real");
    EXPECT_EQ(rs->doubleForColumn("d"), 1700000000.25);
    EXPECT_EQ(rs->dateForColumn("d"), when);
    EXPECT_EQ(rs->stringForColumn("t"), "h\xC3\xA9llo");
    // Numbers went in as text; INTEGER and REAL affinity stored them as numbers, exactly.
    EXPECT_EQ(rs->stringForColumn("ti"), "integer");
    EXPECT_EQ(rs->intForColumn("i"), 42);
    EXPECT_EQ(rs->stringForColumn("big"), "9007199254740993");
    EXPECT_EQ(rs->stringForColumn("tr"), "real");
    EXPECT_EQ(rs->doubleForColumn("r"), 0.1);
    EXPECT_EQ(rs->stringForColumn("tf"), "integer");
    EXPECT_TRUE(rs->boolForColumn("f"));
    EXPECT_EQ(rs->stringForColumn("tn"), "nullnullnullnull");
    EXPECT_FALSE(rs->next());

    // A number into a column without affinity keeps its decimal text; booleans are "1"/"0".
    auto texts = db.executeQuery("SELECT ? AS a, ? AS b, ? AS c, ? AS d;", {7, false, -2.5, std::uint64_t{18446744073709551615u}});
    ASSERT_TRUE(texts && texts->next());
    EXPECT_EQ(texts->stringForColumn("a"), "7");
    EXPECT_EQ(texts->stringForColumn("b"), "0");
    EXPECT_EQ(texts->stringForColumn("c"), "-2.5");
    EXPECT_EQ(texts->stringForColumn("d"), "18446744073709551615");
}

TEST_F(FMDatabaseTest, NullColumnsAndUnknownNamesReadNeutralValues) {
    FMDatabase db = openDatabase();
    auto rs = db.executeQuery("SELECT NULL AS Empty;");
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->intForColumn("empty"), 0);
    EXPECT_FALSE(rs->boolForColumn("EMPTY"));
    EXPECT_EQ(rs->doubleForColumn("Empty"), 0.0);
    EXPECT_EQ(rs->stringForColumn("Empty"), std::nullopt);
    EXPECT_EQ(rs->dateForColumn("Empty"), Date{0});
    EXPECT_EQ(rs->dataForColumn("Empty"), Bytes{});

    LogCapture log;
    EXPECT_EQ(rs->columnIndexForName("NoSuch"), -1);
    EXPECT_EQ(rs->intForColumn("NoSuch"), 0);
    EXPECT_EQ(rs->stringForColumn("NoSuch"), std::nullopt);
    EXPECT_EQ(rs->dateForColumn("NoSuch"), std::nullopt);
    EXPECT_EQ(rs->dataForColumn("NoSuch"), std::nullopt);
    EXPECT_EQ(log.lines().size(), 5u);
    EXPECT_EQ(log.lines().front(), "Warning: I could not find the column named 'nosuch'.");
}

TEST_F(FMDatabaseTest, ColumnsAreFoundInAnyLetterCaseAndLaterDuplicatesWin) {
    FMDatabase db = openDatabase();
    EXPECT_EQ(db.executeUpdate("CREATE TABLE Chats (ROWID INTEGER PRIMARY KEY, FilePath TEXT);"), SQLITE_OK);
    EXPECT_EQ(db.executeUpdate("INSERT INTO Chats (FilePath) VALUES (?);", {"/a"}), SQLITE_OK);
    auto rs = db.executeQuery("SELECT ROWID FROM Chats WHERE FilePath = ?;", {"/a"});
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->intForColumn("ROWID"), 1);
    EXPECT_EQ(rs->intForColumn("rowid"), 1);
    EXPECT_EQ(rs->intForColumn("RowId"), 1);
    rs->close();

    auto twice = db.executeQuery("SELECT 1 AS a, 2 AS A;");
    ASSERT_TRUE(twice && twice->next());
    EXPECT_EQ(twice->intForColumn("a"), 2);

    std::map<std::string, std::string> seen;
    auto kvc = db.executeQuery("SELECT 'x' AS MixedCase, NULL AS Gone, 3 AS Three;");
    ASSERT_TRUE(kvc && kvc->next());
    kvc->kvcMagic([&](const std::string& key, const std::string& value) { seen[key] = value; });
    EXPECT_EQ(seen, (std::map<std::string, std::string>{{"MixedCase", "x"}, {"Three", "3"}}));
}

TEST_F(FMDatabaseTest, ResultSetsCloseWhenTheyRunOutOfRows) {
    FMDatabase db = openDatabase();
    EXPECT_EQ(db.executeUpdate("CREATE TABLE T (x INTEGER);"), SQLITE_OK);
    EXPECT_EQ(db.executeUpdate("INSERT INTO T VALUES (1), (2);"), SQLITE_OK);

    auto rs = db.executeQuery("SELECT x FROM T ORDER BY x;");
    ASSERT_TRUE(rs);
    EXPECT_TRUE(rs->columnNameToIndexMap().empty());
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->intForColumn("x"), 1);
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->intForColumn("x"), 2);
    EXPECT_FALSE(rs->next());
    EXPECT_EQ(rs->pStmt(), nullptr);
    EXPECT_FALSE(rs->next());
    rs->close();
    EXPECT_EQ(rs->intForColumn("x"), 0);  // closed: neutral, no crash

    // The column map is filled by the first step even when it finds no row.
    auto none = db.executeQuery("SELECT x FROM T WHERE x > 5;");
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->next());
    EXPECT_EQ(none->columnNameToIndexMap().count("x"), 1u);

    // A result set still open when its connection closes keeps working until it goes.
    auto open = db.executeQuery("SELECT x FROM T;");
    ASSERT_TRUE(open && open->next());
    db.close();
    EXPECT_FALSE(db.isOpen());
    EXPECT_EQ(open->intForColumn("x"), 1);
}

TEST_F(FMDatabaseTest, FailedStatementsGiveNeutralResultsAndLogOnlyWhenAsked) {
    FMDatabase db = openDatabase();
    LogCapture log;
    EXPECT_EQ(db.executeUpdate("INSERT INTO Missing VALUES (1);"), SQLITE_ERROR);
    EXPECT_FALSE(db.executeQuery("SELECT * FROM Missing;"));
    EXPECT_TRUE(log.lines().empty());

    db.setLogsErrors(true);
    EXPECT_FALSE(db.executeQuery("SELECT * FROM Missing;"));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "DB Error: 1 \"no such table: Missing\" (SELECT * FROM Missing;)");

    // A failing step is returned and logged like a failed prepare; a statement of comments does nothing.
    log.clear();
    EXPECT_EQ(db.executeUpdate("CREATE TABLE U (x INTEGER UNIQUE);"), SQLITE_OK);
    EXPECT_EQ(db.executeUpdate("INSERT INTO U VALUES (1);"), SQLITE_OK);
    EXPECT_EQ(db.executeUpdate("INSERT INTO U VALUES (1);"), SQLITE_CONSTRAINT);
    EXPECT_EQ(db.executeUpdate("-- nothing"), SQLITE_OK);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"DB Error: 19 \"UNIQUE constraint failed: U.x\" (INSERT INTO U VALUES (1);)"});

    // Rows from an update are refused; the statement's change was made whole.
    EXPECT_EQ(db.executeUpdate("CREATE TABLE R (x INTEGER);"), SQLITE_OK);
    EXPECT_EQ(db.executeUpdate("INSERT INTO R VALUES (1), (2) RETURNING x;"), SQLITE_MISUSE);
    EXPECT_TRUE(log.contains("rc!=SQLITE_ROW"));
    EXPECT_EQ(countRows(db, "R"), 2);
}

TEST_F(FMDatabaseTest, ARepeatedUpdateReusesItsStatementWithoutCarryingOverValuesOrErrors) {
    FMDatabase db = openDatabase();
    db.setLogsErrors(true);
    LogCapture log;
    EXPECT_EQ(db.executeUpdate("CREATE TABLE T (a TEXT UNIQUE, b TEXT);"), SQLITE_OK);
    const std::string insert = "INSERT INTO T (a, b) VALUES (?, ?);";
    for (int i = 0; i < 3; ++i) {
        std::vector<SqlValue> values{"key" + std::to_string(i), std::string(100, char('x' + i))};
        ASSERT_EQ(db.executeUpdate(insert, values), SQLITE_OK);
    }  // each call's values are gone before the next binds
    EXPECT_EQ(db.cachedStatementCount(), 1u);
    // A value left out is NULL, not the previous call's.
    ASSERT_EQ(db.executeUpdate(insert, {"key3"}), SQLITE_OK);
    auto rs = db.executeQuery("SELECT a, b FROM T ORDER BY a;");
    std::vector<std::string> rows;
    while (rs && rs->next()) rows.push_back(rs->stringForColumn("a").value() + "=" + rs->stringForColumn("b").value_or("-").substr(0, 2));
    EXPECT_EQ(rows, (std::vector<std::string>{"key0=xx", "key1=yy", "key2=zz", "key3=-"}));

    // A failed step gives its code, and the next call with the same text works.
    EXPECT_EQ(db.executeUpdate(insert, {"key0", "again"}), SQLITE_CONSTRAINT);
    EXPECT_EQ(db.executeUpdate(insert, {"key4", "b"}), SQLITE_OK);

    // A kept statement follows the schema: a changed table is seen, a dropped one fails and is
    // reported as a prepare error, then a recreated one is written to.
    EXPECT_EQ(db.executeUpdate("ALTER TABLE T ADD COLUMN c TEXT DEFAULT 'new';"), SQLITE_OK);
    EXPECT_EQ(db.executeUpdate(insert, {"key5", "b"}), SQLITE_OK);
    EXPECT_EQ(db.executeUpdate("DROP TABLE T;"), SQLITE_OK);
    EXPECT_EQ(db.executeUpdate(insert, {"key6", "b"}), SQLITE_ERROR);
    EXPECT_EQ(db.executeUpdate(insert, {"key6", "b"}), SQLITE_ERROR);
    EXPECT_TRUE(log.contains("no such table: T"));
    EXPECT_EQ(db.executeUpdate("CREATE TABLE T (a TEXT, b TEXT);"), SQLITE_OK);
    EXPECT_EQ(db.executeUpdate(insert, {"key7", "b"}), SQLITE_OK);
    EXPECT_EQ(countRows(db, "T"), 1);

    // Closing with kept statements closes the file for real: it can be removed and made anew.
    db.close();
    EXPECT_EQ(db.cachedStatementCount(), 0u);
    EXPECT_FALSE(log.contains("error closing"));
    std::filesystem::remove(dir / "test.db");
    FMDatabase fresh = openDatabase();
    EXPECT_EQ(fresh.executeUpdate(insert, {"a", "b"}), SQLITE_ERROR);
}

TEST_F(FMDatabaseTest, OpeningClosingAndTransactions) {
    LogCapture log;
    FMDatabase never((dir / "never.db").string());
    never.close();
    EXPECT_FALSE(never.executeQuery("SELECT 1;"));
    EXPECT_EQ(never.executeUpdate("SELECT 1;"), SQLITE_MISUSE);

    FMDatabase unopenable((dir / "no" / "such" / "folder.db").string());
    EXPECT_FALSE(unopenable.open());
    EXPECT_FALSE(unopenable.isOpen());
    EXPECT_TRUE(log.contains("error opening!: 14"));

    FMDatabase db = openDatabase();
    EXPECT_FALSE(FMDatabase::sqliteLibVersion().empty());
    EXPECT_EQ(db.executeUpdate("CREATE TABLE T (x INTEGER);"), SQLITE_OK);
    ASSERT_TRUE(db.beginTransaction());
    EXPECT_EQ(db.executeUpdate("INSERT INTO T VALUES (1);"), SQLITE_OK);
    EXPECT_TRUE(db.rollback());
    EXPECT_EQ(countRows(db, "T"), 0);

    ASSERT_TRUE(db.beginTransaction());
    EXPECT_FALSE(db.beginTransaction());
    EXPECT_TRUE(log.contains("Begin transaction error: 1 (cannot start a transaction within a transaction)"));
    EXPECT_EQ(db.executeUpdate("INSERT INTO T VALUES (1);"), SQLITE_OK);
    EXPECT_TRUE(db.commit());
    EXPECT_FALSE(db.commit());
    EXPECT_TRUE(log.contains("Commit error: 1 (cannot commit - no transaction is active)"));
    EXPECT_FALSE(db.rollback());

    // Closing ends an open transaction without keeping its changes.
    ASSERT_TRUE(db.beginTransaction());
    EXPECT_EQ(db.executeUpdate("INSERT INTO T VALUES (2);"), SQLITE_OK);
    db.close();
    ASSERT_TRUE(db.open());
    EXPECT_EQ(countRows(db, "T"), 1);
}

TEST_F(FMDatabaseTest, BusyStatementsWaitForTheOtherConnection) {
    FMDatabase holder = openDatabase();
    EXPECT_EQ(holder.executeUpdate("CREATE TABLE T (x INTEGER);"), SQLITE_OK);

    // An update waits while another connection holds a write transaction.
    ASSERT_TRUE(holder.beginTransaction());
    ASSERT_EQ(holder.executeUpdate("INSERT INTO T VALUES (1);"), SQLITE_OK);
    std::atomic<int> updateResult{-1};
    std::thread writer([&] {
        FMDatabase other = openDatabase();
        updateResult = other.executeUpdate("INSERT INTO T VALUES (2);");
    });
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(updateResult, -1);
    ASSERT_TRUE(holder.commit());
    writer.join();
    EXPECT_EQ(updateResult, SQLITE_OK);
    EXPECT_EQ(countRows(holder, "T"), 2);

    // An exclusive lock makes a fresh connection's prepare busy: it waits too, then runs.
    ASSERT_EQ(holder.executeUpdate("BEGIN EXCLUSIVE TRANSACTION;"), SQLITE_OK);
    EXPECT_EQ(holder.executeUpdate("INSERT INTO T VALUES (3);"), SQLITE_OK);
    std::atomic<int> prepareResult{-1};
    std::atomic<int> seenRows{-1};
    std::thread reader([&] {
        FMDatabase other = openDatabase();
        prepareResult = other.executeUpdate("INSERT INTO T VALUES (4);");
        auto rs = other.executeQuery("SELECT count(*) AS n FROM T;");
        if (rs && rs->next()) seenRows = rs->intForColumn("n");
    });
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(prepareResult, -1);
    ASSERT_TRUE(holder.commit());
    reader.join();
    EXPECT_EQ(prepareResult, SQLITE_OK);
    EXPECT_EQ(seenRows, 4);
}
