#include "platform/Value.h"

#include <gtest/gtest.h>

using talv::Bytes;
using talv::Date;
using talv::Value;

namespace {

Value sampleTree() {
    Value::Dictionary inner{{"flag", true}, {"count", -7}, {"ratio", 0.25}};
    return Value(Value::Dictionary{
        {"title", "Today"},
        {"criteria", "(DateStarted >= 1.5)"},
        {"IsAll", false},
        {"bytes", Bytes{0, 1, 2, 255}},
        {"when", Date{1700000000.0}},
        {"list", Value::Array{1, "two", Value(inner)}},
    });
}

}  // namespace

// XML plist dates carry whole seconds, so the sample date is whole.
TEST(Value, XmlAndBinaryPlistsRoundTripWholeTrees) {
    Value tree = sampleTree();
    auto fromXml = Value::fromPlist(tree.toXmlPlist());
    ASSERT_TRUE(fromXml);
    EXPECT_EQ(*fromXml, tree);
    auto fromBinary = Value::fromPlist(tree.toBinaryPlist());
    ASSERT_TRUE(fromBinary);
    EXPECT_EQ(*fromBinary, tree);
}

TEST(Value, PlistDatesCountFromTheReferenceDate) {
    auto v = Value::fromPlist(std::string_view(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><date>2001-01-01T00:01:00Z</date></plist>"));
    ASSERT_TRUE(v && v->asDate());
    EXPECT_DOUBLE_EQ(v->asDate()->secondsSince1970, 978307260.0);
}

TEST(Value, EqualityComparesTypeAndContents) {
    EXPECT_NE(Value(1), Value(1.0));
    EXPECT_NE(Value("1"), Value(1));
    EXPECT_NE(sampleTree(), Value(Value::Dictionary{{"title", "Today"}}));
    EXPECT_EQ(Value(), Value(nullptr));
}

TEST(Value, LenientReadsConvertNumbersButNotTexts) {
    EXPECT_TRUE(Value(1).boolOr(false));
    EXPECT_EQ(Value(true).integerOr(5), 1);
    EXPECT_EQ(Value("3").integerOr(5), 5);
    EXPECT_EQ(Value(2.9).integerOr(0), 2);
    EXPECT_EQ(Value().textOr("x"), "x");
    ASSERT_NE(sampleTree().find("title"), nullptr);
    EXPECT_EQ(sampleTree().find("missing"), nullptr);
}

TEST(Value, GarbageIsNotAPlist) {
    EXPECT_FALSE(Value::fromPlist(std::string_view("not a plist at all")));
    EXPECT_FALSE(Value::fromPlist(std::string_view("bplist00\x01\x02")));
    EXPECT_FALSE(Value::fromPlist(Bytes{}));
}
