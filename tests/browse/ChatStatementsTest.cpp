#include "browse/ChatStatements.h"
#include "browse/FilterEntries.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using talv::FilterCondition;
using talv::SortDescriptor;
using talv::Value;

namespace {

const FilterCondition kAll{std::nullopt, true};

std::size_t indexOf(const talv::ArrayController& list, const char* title) {
    for (std::size_t i = 0; i < list.arrangedObjects().size(); ++i) {
        if (list.arrangedObjects()[i].find("title")->textOr("") == title) return i;
    }
    return 999;
}

}  // namespace

TEST(ChatStatements, ShortcutWithAndWithoutOrderClause) {
    auto plain = talv::buildChatStatements(kAll, kAll, kAll, "", std::nullopt);
    EXPECT_EQ(plain.chats, "SELECT ROWID AS ChatID FROM Chats WHERE Chats.Deleted = 0 ;");
    EXPECT_EQ(plain.participants, "SELECT DISTINCT Participant FROM Participants;");
    auto order = talv::orderClause({SortDescriptor{"DateStarted", false}, SortDescriptor{"kind", true}});
    ASSERT_TRUE(order);
    EXPECT_EQ(*order, " ORDER BY datestarted DESC");
    EXPECT_EQ(talv::buildChatStatements(kAll, kAll, kAll, "", order).chats,
              "SELECT ROWID AS ChatID FROM Chats WHERE Chats.Deleted = 0  ORDER BY datestarted DESC;");

    // A participant chosen: only the chats statement changes.
    FilterCondition bob{"(Participants.Participant LIKE 'bob')", false};
    auto chosen = talv::buildChatStatements(kAll, kAll, bob, "", std::nullopt);
    EXPECT_EQ(chosen.chats,
              "SELECT DISTINCT Chats.ROWID AS ChatID FROM Chats, Participants, Messages WHERE Participants.ChatID = "
              "Chats.ROWID AND Messages.ChatID = Chats.ROWID AND ((Participants.Participant LIKE 'bob')) AND  "
              "Chats.Deleted = 0;");
    EXPECT_EQ(chosen.participants, "SELECT DISTINCT Participant FROM Participants;");
}

TEST(ChatStatements, WorkedExampleCharacterForCharacter) {
    talv::test::setTimeZone("UTC");
    talv::TalvFilterArrayController contents, when, participants;
    talv::prepareContentsFilters(contents);
    talv::prepareWhenFilters(when, talv::Date{1165363200.0 + 3600});  // 2006-12-06
    talv::preparePartFilters(participants);
    contents.setSelectionIndexes({indexOf(contents, "Links")});
    when.setSelectionIndexes({indexOf(when, "Today")});

    auto statements = talv::buildChatStatements(*talv::readFilterList(contents), *talv::readFilterList(when),
                                                *talv::readFilterList(participants), "it's",
                                                talv::orderClause({SortDescriptor{"datestarted", false}}));
    const std::string common =
        "SELECT DISTINCT Chats.ROWID AS ChatID FROM Chats, Participants, Messages WHERE Participants.ChatID = "
        "Chats.ROWID AND Messages.ChatID = Chats.ROWID AND (Chats.HasHyperlinks = 1) AND ((Chats.DateStarted "
        "BETWEEN 1165363200.000000 AND 1165449599.000000)) AND (Messages.Message LIKE '%it''s%' AND "
        "Messages.Participant <> '') AND  Chats.Deleted = 0";
    EXPECT_EQ(statements.chats, common + " ORDER BY datestarted DESC;");
    std::string participantsStatement = common + ";";
    participantsStatement.replace(0, std::string("SELECT DISTINCT Chats.ROWID AS ChatID").size(), "SELECT DISTINCT Participants.Participant");
    EXPECT_EQ(statements.participants, participantsStatement);
}

TEST(ChatStatements, ReadingTheListsSelections) {
    talv::TalvFilterArrayController contents, when;
    talv::prepareContentsFilters(contents);
    talv::prepareWhenFilters(when, talv::Date{1165363200.0});
    when.setSelectionIndexes({indexOf(when, "Today"), indexOf(when, "Yesterday")});
    auto both = talv::readFilterList(when);
    ASSERT_TRUE(both);
    EXPECT_FALSE(both->isAll);
    EXPECT_EQ(*both->condition, when.arrangedObjects()[1].find("criteria")->textOr("") + " OR " +
                                    when.arrangedObjects()[2].find("criteria")->textOr(""));

    auto all = talv::readFilterList(contents);
    ASSERT_TRUE(all);
    EXPECT_TRUE(all->isAll);
    EXPECT_FALSE(all->condition);

    contents.setSelectionIndexes({});
    EXPECT_FALSE(talv::readFilterList(contents));
}

TEST(ChatStatements, SortKeysThatAreNotColumnNamesGiveNoOrder) {
    EXPECT_FALSE(talv::orderClause({}));
    EXPECT_FALSE(talv::orderClause({SortDescriptor{"", true}}));
    EXPECT_FALSE(talv::orderClause({SortDescriptor{"kind; DROP TABLE Chats", true}}));
    EXPECT_FALSE(talv::orderClause({SortDescriptor{"(SELECT 1)", true}}));
    EXPECT_EQ(talv::orderClause({SortDescriptor{"Kind", true}}).value_or(""), " ORDER BY kind ASC");
}
