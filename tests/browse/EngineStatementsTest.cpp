// The statements the engine runs against the reference statements, over a generated archive:
// every filter entry alone and many combinations, with and without search text and sort keys,
// with and without the search index. Both must list the same chats in the same order (up to
// ties of the sort key; as a set without one) and offer the same participants.
#include "browse/ChatStatements.h"
#include "browse/EngineStatements.h"
#include "store/ChatTextIndex.h"
#include "store/Transaction.h"
#include "tests/browse/BrowseFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

using namespace talv;
using talv::test::Archive;
using talv::test::Browser;
using talv::test::ChatRow;
using talv::test::localTime;

namespace {

const std::vector<std::string> kWords{
    "hi", "lol", "LOL", "it's", "100%", "1_0", "a_b", "Wochenende", "WOCHENENDE!", "Grüße", "GRÜSSE", "straße", "café",
    "Café", "日本語", "😀", "x'y", "''", "%", "_", "http://x.example", "me@x.example", "ab", "a", "\"quoted\"", "l o l"};
const std::vector<std::string> kHandles{"alice", "alice@jabber", "bob", "BOB", "dave", "myself", "carol", "john_doe", "100%real"};
const std::vector<std::string> kSearches{
    "", "a", "ab", "lol", "it'", "'", "100%", "1_0", "%", "_", "ü", "Grü", "GRÜSSE", "日本", "😀", "Wochenende", "x'y",
    "%lo%", "l_l", "ochenend", "\"quo", "l o", "E!", "LoL", "AFÉ", "hia"};
const std::vector<std::optional<SortDescriptor>> kSorts{
    std::nullopt, SortDescriptor{"datestarted", false}, SortDescriptor{"participants", true}, SortDescriptor{"kind", true},
    SortDescriptor{"Duration", false}};

// Chats over four years around Wednesday, December 6, 2006: some deleted, some without messages or
// participants, messages from the participants and status lines, texts from kWords.
void fill(Archive& archive, unsigned seed) {
    std::mt19937 random(seed);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    const double start = localTime(2003, 1, 1, 0, 0, 0), end = localTime(2006, 12, 31, 23, 59, 59);
    const double boundaries[] = {localTime(2006, 12, 5, 23, 59, 59) + 0.5, localTime(2006, 12, 6, 0, 0, 0),
                                 localTime(2006, 12, 3, 0, 0, 0), localTime(2004, 12, 31, 23, 59, 59)};
    for (int i = 0; i < 160; ++i) {
        ChatRow chat;
        chat.dateStarted = i < 4 ? boundaries[i] : i % 3 == 0 ? localTime(2006, 12, 6, 9, 0, 0) - 86400.0 * static_cast<double>(pick(10))
                                                             : start + (end - start) * (static_cast<double>(random()) / random.max());
        chat.duration = static_cast<std::int64_t>(pick(5) * 600);
        chat.kind = std::vector<std::string>{"iChat", "Adium", "Fire"}[pick(3)];
        chat.participants = "P" + std::to_string(pick(7));
        chat.links = pick(3) == 0;
        chat.pictures = pick(4) == 0;
        chat.emails = pick(5) == 0;
        chat.deleted = pick(10) == 0;
        chat.handles.clear();
        for (std::size_t n = pick(10) == 0 ? 0 : 1 + pick(3); n > 0; --n) chat.handles.push_back(kHandles[pick(kHandles.size())]);
        chat.messages.clear();
        for (std::size_t n = pick(10) == 0 ? 0 : 1 + pick(6); n > 0; --n) {
            std::string text;
            for (std::size_t w = 1 + pick(4); w > 0; --w) text += (text.empty() ? "" : " ") + kWords[pick(kWords.size())];
            const bool status = chat.handles.empty() || pick(5) == 0;
            chat.messages.push_back({status ? "" : chat.handles[pick(chat.handles.size())], text});
        }
        archive.add(chat);
        // Half the messages enter the search index, the others stay pending, as between passes.
        if (i == 80) {
            Transaction indexing(archive.db());
            std::string error;
            EXPECT_TRUE(indexing.began() && ChatTextIndex::indexPending(archive.db(), error) && indexing.commit()) << error;
        }
    }
}

struct Listing {
    std::vector<std::int64_t> ids;     // in listed order
    std::vector<std::string> keys;     // the sort key of each, in listed order
    std::set<std::string> participants;
};

std::vector<std::string> column(FMDatabase& db, const std::string& sql) {
    std::vector<std::string> values;
    auto rs = db.executeQuery(sql);
    EXPECT_TRUE(rs) << sql << "\n" << db.lastErrorMessage();
    while (rs && rs->next()) values.push_back(rs->stringForColumn("v").value_or("NULL"));
    EXPECT_FALSE(rs && rs->stepFailed()) << sql;
    return values;
}

Listing list(FMDatabase& db, const std::string& chats, const std::string& participants, const std::optional<SortDescriptor>& sort) {
    (void)db.executeUpdate("DROP TABLE IF EXISTS CTmp;");
    EXPECT_EQ(db.executeUpdate("CREATE TEMP TABLE CTmp AS " + chats), 0) << chats << "\n" << db.lastErrorMessage();
    Listing listing;
    for (const std::string& id : column(db, "SELECT ChatID AS v FROM CTmp ORDER BY rowid;")) listing.ids.push_back(std::stoll(id));
    if (sort)
        listing.keys = column(db, "SELECT quote(Chats." + sort->key + ") AS v FROM CTmp, Chats WHERE Chats.ROWID = CTmp.ChatID ORDER BY CTmp.rowid;");
    for (const std::string& handle : column(db, "SELECT quote(Participant) AS v FROM (" + participants.substr(0, participants.size() - 1) + ");"))
        listing.participants.insert(handle);
    return listing;
}

std::vector<std::int64_t> sorted(std::vector<std::int64_t> ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
}

struct Choice {
    FilterCondition contents, when, participants;
    std::string search = {};
    std::optional<SortDescriptor> sort = {};
};

class EngineStatementsTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::setTimeZone("America/New_York");
        fill(archive, 2006);
        browser = std::make_unique<Browser>(archive, now);
        for (const Value& entry : browser->contents.arrangedObjects()) contents.push_back(entry);
        for (const Value& entry : browser->when.arrangedObjects()) when.push_back(entry);
        participants.push_back(browser->participants.arrangedObjects().front());  // All
        for (const Value& entry : browser->engine->preparePartContentsArray(kHandles)) participants.push_back(entry);
    }

    static FilterCondition conditionOf(const std::vector<const Value*>& entries) {
        if (entries.size() == 1 && entries[0]->find("IsAll")) return {std::nullopt, true};
        std::string joined;
        for (const Value* entry : entries) joined += (joined.empty() ? "" : " OR ") + entry->find("criteria")->textOr("");
        return {joined, false};
    }

    // Runs the reference statements and the engine's, with the search index and the chats' content
    // flags and without either.
    void expectSameListing(const Choice& c) {
        const std::optional<std::string> order = c.sort ? orderClause({*c.sort}) : std::nullopt;
        const ChatStatements reference = buildChatStatements(c.contents, c.when, c.participants, c.search, order);
        const Listing expected = list(archive.db(), reference.chats, reference.participants, c.sort);
        for (bool index : {true, false}) {
            const auto engine = buildEngineStatements(c.contents, c.when, c.participants, c.search, order, index, index);
            ASSERT_TRUE(engine) << reference.chats;
            const Listing got = list(archive.db(), engine->chats, engine->participants, c.sort);
            const std::string context = reference.chats + "\n" + engine->chats + (index ? "\n(index, flags)" : "\n(scan, probes)");
            EXPECT_EQ(sorted(got.ids), sorted(expected.ids)) << context;
            EXPECT_EQ(got.keys, expected.keys) << context;
            EXPECT_EQ(got.participants, expected.participants) << context << "\n" << engine->participants;
            ++compared;
        }
    }

    Archive archive;
    Date now{localTime(2006, 12, 6, 12, 0, 0)};
    std::unique_ptr<Browser> browser;
    std::vector<Value> contents, when, participants;
    int compared = 0;
};

}  // namespace

TEST_F(EngineStatementsTest, EveryEntryAloneWithEverySearchText) {
    const FilterCondition all{std::nullopt, true};
    std::vector<Choice> singles;
    for (const Value& entry : contents) singles.push_back({conditionOf({&entry}), all, all});
    for (const Value& entry : when) singles.push_back({all, conditionOf({&entry}), all});
    for (const Value& entry : participants) singles.push_back({all, all, conditionOf({&entry})});
    singles.push_back({all, all, {std::nullopt, false}});  // nothing selected in the participants list
    std::size_t n = 0;
    for (Choice& choice : singles) {
        for (const std::string& search : kSearches) {
            choice.search = search;
            choice.sort = kSorts[n++ % kSorts.size()];
            expectSameListing(choice);
        }
    }
    EXPECT_GT(compared, 500);
}

TEST_F(EngineStatementsTest, CombinationsOfEntriesSearchTextsAndSortKeys) {
    std::mt19937 random(21);
    auto some = [&](const std::vector<Value>& list) {
        std::vector<const Value*> chosen{&list[1 + random() % (list.size() - 1)]};
        if (random() % 3 == 0) chosen.push_back(&list[1 + random() % (list.size() - 1)]);
        if (random() % 4 == 0) chosen = {&list[0]};
        return conditionOf(chosen);
    };
    for (int i = 0; i < 300; ++i) {
        expectSameListing({some(contents), some(when), some(participants), kSearches[random() % kSearches.size()],
                           kSorts[random() % kSorts.size()]});
    }

    // After re-reading and deleting chats, and moving rows to other chats, the index still finds
    // what a scan finds and the content flags say what the probes say.
    for (const char* sql : {"DELETE FROM Messages WHERE ChatID % 7 = 0;", "DELETE FROM Participants WHERE ChatID % 11 = 0;",
                            "UPDATE Messages SET Message = 'lol ' || Message WHERE ChatID % 5 = 0;",
                            "UPDATE Messages SET ChatID = ChatID + 1 WHERE ChatID % 13 = 0;",
                            "UPDATE Participants SET ChatID = ChatID + 1 WHERE ChatID % 17 = 0;"})
        ASSERT_EQ(archive.db().executeUpdate(sql), 0) << sql;
    const FilterCondition all{std::nullopt, true};
    for (const std::string& search : kSearches) expectSameListing({all, all, all, search, kSorts[1]});
    for (const Value& entry : when) expectSameListing({all, conditionOf({&entry}), all, "", kSorts[1]});
}

TEST_F(EngineStatementsTest, TheEngineShowsTheSameListStatisticsAndParticipants) {
    Browser reference(archive, now);
    reference.engine->setRunsReferenceStatements(true);
    for (Browser* b : {browser.get(), &reference}) b->table.setSortDescriptors({SortDescriptor{"datestarted", false}});
    auto same = [&](const std::string& what) {
        browser->refilterNow();
        reference.refilterNow();
        EXPECT_EQ(browser->engine->sql(), reference.engine->sql()) << what;  // the reference text decides rebuilds
        EXPECT_EQ(sorted(browser->listedIDs()), sorted(reference.listedIDs())) << what;
        EXPECT_EQ(browser->state.statisticsText(), reference.state.statisticsText()) << what;
        EXPECT_EQ(browser->participantTitles(), reference.participantTitles()) << what;
    };
    for (const std::vector<std::string>& dates : {std::vector<std::string>{"All"}, {"This Week"}, {"Today", "Yesterday"}, {"Last Year"}}) {
        for (Browser* b : {browser.get(), &reference}) {
            b->state.setSearchText("");
            b->select(b->participants, {"All"});
            b->select(b->when, dates);
        }
        same(dates.front());
        for (Browser* b : {browser.get(), &reference}) b->state.setSearchText("lol");
        same(dates.front() + " lol");
        const auto titles = reference.participantTitles();
        if (std::find(titles.begin(), titles.end(), "Bob") == titles.end()) continue;
        for (Browser* b : {browser.get(), &reference}) b->select(b->participants, {"Bob"});
        same(dates.front() + " lol Bob");
    }
}
