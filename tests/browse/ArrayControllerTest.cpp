#include "browse/TalvFilterArrayController.h"

#include <gtest/gtest.h>

using talv::SelectionValue;
using talv::SortDescriptor;
using talv::Value;

namespace {

Value entry(const char* title, const char* criteria, bool isAll = false) {
    Value::Dictionary d{{"title", title}, {"criteria", criteria}};
    if (isAll) d["IsAll"] = true;
    return Value(std::move(d));
}

std::vector<std::string> titles(const talv::ArrayController& c) {
    std::vector<std::string> result;
    for (const Value& v : c.arrangedObjects()) result.push_back(v.find("title")->textOr(""));
    return result;
}

}  // namespace

TEST(ArrayController, ArrangingKeepsTheFirstEntryOnTopAndTheSelectionOnItsObjects) {
    talv::TalvFilterArrayController list;
    EXPECT_TRUE(list.arrangeObjects({}).empty());
    list.setContent({entry("All", "", true), entry("bob", "b"), entry("Alice", "a"), entry("carol", "c")});
    list.setSelectionIndexes({2});
    list.setSortDescriptors({SortDescriptor{"title", true}});
    EXPECT_EQ(titles(list), (std::vector<std::string>{"All", "Alice", "bob", "carol"}));
    EXPECT_EQ(list.selectionIndexes(), std::vector<std::size_t>{1});
    list.setSortDescriptors({SortDescriptor{"title", false}});
    EXPECT_EQ(titles(list), (std::vector<std::string>{"All", "carol", "bob", "Alice"}));
    EXPECT_EQ(list.selectedObjects(), Value::Array{entry("Alice", "a")});

    list.removeObjects({entry("Alice", "a")});
    EXPECT_TRUE(list.selectionIndexes().empty());
    list.setSelectionIndexes({7, 1, 1});
    EXPECT_EQ(list.selectionIndexes(), std::vector<std::size_t>{1});
}

TEST(ArrayController, SelectionProxyAnswersFourWays) {
    talv::ArrayController list;
    list.setContent({entry("All", "", true), entry("Links", "L"), entry("Again", "L"), entry("Mail", "M"), Value(3)});
    EXPECT_EQ(list.selectionValue("criteria").kind, SelectionValue::Kind::NoSelection);
    list.setSelectionIndexes({1, 2});
    SelectionValue same = list.selectionValue("criteria");
    EXPECT_EQ(same.kind, SelectionValue::Kind::Single);
    EXPECT_EQ(same.value, Value("L"));
    EXPECT_TRUE(list.selectionValue("IsAll").isSingle());
    EXPECT_TRUE(list.selectionValue("IsAll").value.isNull());
    list.setSelectionIndexes({0, 3});
    EXPECT_EQ(list.selectionValue("criteria").kind, SelectionValue::Kind::Multiple);
    list.setSelectionIndexes({3, 4});
    EXPECT_EQ(list.selectionValue("criteria").kind, SelectionValue::Kind::NotApplicable);
}

TEST(ArrayController, ObserversHearSelectionChangesOnly) {
    talv::ArrayController list;
    int heard = 0;
    auto token = list.observeSelection([&] { ++heard; });
    list.setContent({entry("a", "1"), entry("b", "2")});
    EXPECT_EQ(heard, 0);
    list.setSelectionIndexes({1});
    list.setSelectionIndexes({1});
    EXPECT_EQ(heard, 1);
    list.addObject(entry("c", "3"));        // selection unchanged
    list.removeObjects({entry("b", "2")});  // the selected entry goes
    EXPECT_EQ(heard, 2);
    token.reset();
    list.setSelectionIndexes({0});
    EXPECT_EQ(heard, 2);
}
