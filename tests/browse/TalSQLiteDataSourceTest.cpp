#include "browse/TalSQLiteDataSource.h"
#include "tests/browse/BrowseFixture.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <chrono>

using talv::SortDescriptor;
using talv::Value;
using talv::test::Archive;
using talv::test::Browser;
using talv::test::ChatRow;
using talv::test::localTime;

namespace {

void runMainContextFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) g_main_context_iteration(nullptr, FALSE);
}

// Wednesday, December 6, 2006, noon in New York.
talv::Date wednesdayNoon() { return talv::Date{localTime(2006, 12, 6, 12, 0, 0)}; }

struct Chats {
    std::int64_t a, b, c, d, e;
};

// A: today, a link, from bob. B: yesterday, from Alice's two accounts. C: last month, no
// messages. D: deleted. E: today, the user and dave.
Chats addChats(Archive& archive) {
    Chats ids{};
    ChatRow a;
    a.subject = "it's here";
    a.dateStarted = localTime(2006, 12, 6, 10, 0, 0);
    a.duration = 3600;
    a.links = true;
    a.messages = {{"bob", "it's here http://example.com"}, {"", "bob went away"}};
    ids.a = archive.add(a);
    ChatRow b;
    b.dateStarted = localTime(2006, 12, 5, 9, 0, 0);
    b.duration = 1800;
    b.handles = {"alice", "alice@jabber"};
    b.messages = {{"alice", "I am 100% sure"}, {"alice@jabber", "1_0"}};
    ids.b = archive.add(b);
    ChatRow c;
    c.dateStarted = localTime(2006, 11, 10, 9, 0, 0);
    c.duration = 0;
    c.handles = {"carol"};
    c.messages = {};
    ids.c = archive.add(c);
    ChatRow d;
    d.dateStarted = localTime(2006, 12, 6, 8, 0, 0);
    d.deleted = true;
    d.handles = {};
    d.messages = {};
    ids.d = archive.add(d);
    ChatRow e;
    e.dateStarted = localTime(2006, 12, 6, 11, 0, 0);
    e.handles = {"myself", "dave"};
    e.messages = {{"dave", "it's me"}};
    ids.e = archive.add(e);
    return ids;
}

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        talv::test::setTimeZone("America/New_York");
        ids = addChats(archive);
        browser = std::make_unique<Browser>(archive, wednesdayNoon());
        browser->participants.setSortDescriptors({SortDescriptor{"title", true}});
        browser->table.setSortDescriptors({SortDescriptor{"DateStarted", false}});  // refilters at once
    }

    std::vector<std::int64_t> listed() { return browser->listedIDs(); }

    Archive archive;
    Chats ids{};
    std::unique_ptr<Browser> browser;
};

}  // namespace

TEST_F(Engine, ListsChatsThroughEveryFilter) {
    EXPECT_EQ(*browser->engine->orderSQL(), " ORDER BY datestarted DESC");
    EXPECT_EQ(listed(), (std::vector<std::int64_t>{ids.e, ids.a, ids.b}));  // This Week

    browser->select(browser->when, {"All"});
    browser->refilterNow();
    EXPECT_EQ(*browser->engine->sql(),
              "SELECT ROWID AS ChatID FROM Chats WHERE Chats.Deleted = 0  ORDER BY datestarted DESC;");
    EXPECT_EQ(listed(), (std::vector<std::int64_t>{ids.e, ids.a, ids.b, ids.c}));  // C has no messages
    EXPECT_EQ(browser->state.statisticsText(), "4 chats, 1.5 hours");

    browser->select(browser->when, {"Today", "Yesterday"});
    browser->refilterNow();
    EXPECT_EQ(listed(), (std::vector<std::int64_t>{ids.e, ids.a, ids.b}));
    browser->select(browser->when, {"Last Month"});
    browser->refilterNow();
    EXPECT_TRUE(listed().empty());  // C is the only chat of last month and has no messages
    EXPECT_EQ(browser->state.statisticsText(), "0 chats, 0 minutes, 0 seconds");

    browser->select(browser->when, {"All"});
    browser->select(browser->contents, {"Links"});
    browser->refilterNow();
    EXPECT_EQ(listed(), std::vector<std::int64_t>{ids.a});

    browser->select(browser->contents, {"All"});
    browser->state.setSearchText("it's");
    browser->refilterNow();
    EXPECT_EQ(listed(), (std::vector<std::int64_t>{ids.e, ids.a}));
    browser->state.setSearchText("went away");  // only in a system line
    browser->refilterNow();
    EXPECT_TRUE(listed().empty());
    browser->state.setSearchText("100%");
    browser->refilterNow();
    EXPECT_EQ(listed(), std::vector<std::int64_t>{ids.b});
    browser->state.setSearchText("1_0");  // "_" stands for any one character: "100" and "1_0"
    browser->refilterNow();
    EXPECT_EQ(listed(), std::vector<std::int64_t>{ids.b});

    browser->state.setSearchText("x' OR 1=1; DROP TABLE Chats; --");
    browser->refilterNow();
    EXPECT_TRUE(listed().empty());
    auto chats = archive.db().executeQuery("SELECT COUNT(*) AS n FROM Chats;");
    ASSERT_TRUE(chats && chats->next());
    EXPECT_EQ(chats->intForColumn("n"), 5);
}

TEST_F(Engine, SelectionStaysWithItsChatOrMovesToTheFirstRow) {
    browser->table.selectRow(1);
    EXPECT_EQ(browser->state.selectedChatID(), ids.a);
    browser->select(browser->when, {"Today"});
    browser->refilterNow();
    EXPECT_EQ(browser->table.selectedRow(), 1u);
    EXPECT_EQ(browser->state.selectedChatID(), ids.a);
    browser->table.setSortDescriptors({SortDescriptor{"datestarted", true}});
    EXPECT_EQ(listed(), (std::vector<std::int64_t>{ids.a, ids.e}));
    EXPECT_EQ(browser->table.selectedRow(), 0u);
    EXPECT_EQ(browser->state.selectedChatID(), ids.a);

    browser->select(browser->contents, {"Pictures"});
    browser->refilterNow();
    EXPECT_EQ(browser->table.rowCount(), 0u);
    EXPECT_EQ(browser->table.selectedRow(), std::nullopt);
    EXPECT_EQ(browser->state.selectedChatID(), std::nullopt);

    browser->select(browser->contents, {"All"});
    browser->refilterNow();
    EXPECT_EQ(browser->table.selectedRow(), 0u);
    EXPECT_EQ(browser->state.selectedChatID(), ids.a);
    browser->table.selectRow(1);
    browser->state.setSearchText("100%");  // E is no longer listed
    browser->select(browser->when, {"This Week"});
    browser->refilterNow();
    EXPECT_EQ(browser->table.selectedRow(), 0u);
    EXPECT_EQ(browser->state.selectedChatID(), ids.b);

    // Sort descriptors gone: the clause is cleared, the list stays as it is.
    browser->table.setSortDescriptors({});
    EXPECT_FALSE(browser->engine->orderSQL());
    EXPECT_EQ(listed(), std::vector<std::int64_t>{ids.b});
}

TEST_F(Engine, ParticipantsListOffersOnePersonPerEntryAndKeepsAllAndTheSelected) {
    using Titles = std::vector<std::string>;
    EXPECT_EQ(browser->participantTitles(), (Titles{"All", "Alice Liddell", "Bob", "Dave"}));  // This Week
    const Value alice = browser->participants.arrangedObjects()[1];
    EXPECT_EQ(alice.find("criteria")->textOr(""),
              "(Participants.Participant = 'alice' COLLATE NOCASE OR Participants.Participant = 'alice@jabber' COLLATE NOCASE)");
    EXPECT_EQ(*alice.find("parts"), Value(Value::Array{"alice", "alice@jabber"}));

    browser->select(browser->when, {"All"});
    browser->refilterNow();
    EXPECT_EQ(browser->participantTitles(), (Titles{"All", "Alice Liddell", "Bob", "carol", "Dave"}));
    browser->select(browser->when, {"Today"});
    browser->refilterNow();
    EXPECT_EQ(browser->participantTitles(), (Titles{"All", "Bob", "Dave"}));

    browser->select(browser->participants, {"Bob"});
    browser->refilterNow();
    EXPECT_EQ(listed(), std::vector<std::int64_t>{ids.a});
    EXPECT_EQ(browser->participantTitles(), (Titles{"All", "Bob", "Dave"}));

    browser->select(browser->when, {"Last Month"});  // no chat with messages: only All and Bob stay
    browser->refilterNow();
    EXPECT_EQ(browser->participantTitles(), (Titles{"All", "Bob"}));
    ASSERT_EQ(browser->participants.selectedObjects().size(), 1u);
    EXPECT_EQ(browser->participants.selectedObjects()[0].find("title")->textOr(""), "Bob");

    browser->select(browser->when, {"This Week"});
    browser->refilterNow();
    EXPECT_EQ(browser->participantTitles(), (Titles{"All", "Alice Liddell", "Bob", "Dave"}));
    ASSERT_EQ(browser->participants.selectedObjects().size(), 1u);
    EXPECT_EQ(browser->participants.selectedObjects()[0].find("title")->textOr(""), "Bob");
    EXPECT_EQ(listed(), std::vector<std::int64_t>{ids.a});

    // Handles of one person (in any letter case) make one entry; the user's own accounts none.
    auto entries = browser->engine->preparePartContentsArray({"bob", "BOB", "alice@jabber", "alice", "myself", ""});
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(*entries[0].find("parts"), Value(Value::Array{"bob"}));
    EXPECT_EQ(entries[1].find("title")->textOr(""), "Alice Liddell");
}

TEST_F(Engine, AParticipantsEntryListsThatHandleAloneWhateverItsCharacters) {
    auto chatWith = [&](const std::string& handle) {
        ChatRow chat;
        chat.dateStarted = localTime(2006, 12, 6, 9, 0, 0);
        chat.handles = {handle};
        chat.messages = {{handle, "hi"}};
        return archive.add(chat);
    };
    const std::int64_t underscore = chatWith("john_doe@example.org"), percent = chatWith("100%real");
    chatWith("johnXdoe@example.org");
    chatWith("100 and more real");
    browser->engine->setSql(std::nullopt);
    browser->refilterNow();
    browser->select(browser->participants, {"john_doe@example.org"});
    browser->refilterNow();
    EXPECT_EQ(listed(), std::vector<std::int64_t>{underscore});
    browser->select(browser->participants, {"100%real"});
    browser->refilterNow();
    EXPECT_EQ(listed(), std::vector<std::int64_t>{percent});
}

TEST_F(Engine, CellsShowWhatTheChatsTableShows) {
    ChatRow odd;
    odd.subject = " \n\t";
    odd.kind = "";
    odd.dateStarted = localTime(2006, 12, 6, 15, 5, 0);
    odd.duration = 90061;
    const std::int64_t blank = archive.add(odd);
    odd.subject = "look: \xEF\xBF\xBC";
    odd.dateStarted -= 1;
    const std::int64_t picture = archive.add(odd);
    browser->engine->setSql(std::nullopt);
    browser->refilterNow();
    ASSERT_EQ(listed().front(), blank);
    auto& table = browser->table;
    EXPECT_EQ(table.cell("topic", 0), Value("n/a"));
    EXPECT_EQ(table.cell("topic", 1), Value("(Picture)"));
    EXPECT_EQ(table.cell("kind", 0), Value("n/a"));
    EXPECT_EQ(table.cell("participants", 0), Value("Bob"));
    EXPECT_EQ(table.cell("filename", 0), Value("chat.ichat"));
    EXPECT_EQ(table.cell("duration", 0), Value("25:01:01"));
    EXPECT_EQ(table.cell("datestarted", 0), Value("12/6/06 3:05 PM"));
    EXPECT_EQ(table.cell("id", 1), Value(picture));
    EXPECT_EQ(table.cell("bogus", 0), Value(""));
    EXPECT_EQ(table.cell("topic", 99), Value(""));
    EXPECT_EQ(table.cell("topic", 3), Value("it's here"));

    table.selectRow(3);
    EXPECT_EQ(browser->engine->objectForCurrentChatProperty("HasHyperlinks"), "1");
    EXPECT_EQ(browser->engine->objectForCurrentChatProperty("Kind"), "iChat");
    EXPECT_EQ(browser->engine->objectForCurrentChatProperty("Kind FROM Chats; --"), std::nullopt);
}

TEST_F(Engine, RequestsRunHalfASecondLaterAndUnchangedStatementsAreSkipped) {
    runMainContextFor(std::chrono::milliseconds(600));  // the request made at launch
    ChatRow later;
    later.dateStarted = localTime(2006, 12, 6, 11, 30, 0);
    const std::int64_t added = archive.add(later);
    browser->refilterNow();  // the statement did not change: the new chat is not listed yet
    EXPECT_EQ(listed().size(), 3u);

    browser->engine->setSql(std::nullopt);
    browser->state.setSearchText("hi");  // observed: schedules a request
    const auto start = std::chrono::steady_clock::now();
    while (browser->state.selectedChatID() != added && std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
        g_main_context_iteration(nullptr, TRUE);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450));
    EXPECT_EQ(listed(), std::vector<std::int64_t>{added});

    browser->engine->scheduleRefilter();
    browser.reset();  // a pending request must not outlive the engine
    runMainContextFor(std::chrono::milliseconds(700));
}
