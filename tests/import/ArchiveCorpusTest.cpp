// Real archives written by Apple's Foundation decode to what they hold. Expectations come from
// plistutil listings of the keyed archives and from reading the typedstream bytes by hand.
#include "import/FoundationArchiveClasses.h"
#include "import/IChatArchiveClasses.h"
#include "import/KeyedUnarchiver.h"
#include "import/TypedStreamUnarchiver.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace talv;

class ArchiveCorpus : public talv::test::CorpusTest {};

namespace {

std::string corpusFile(const std::string& relative) {
    return test::readFile(test::corpusDir() / relative);
}

ObjectPtr keyed(const std::string& relative) {
    auto result = KeyedUnarchiver::unarchive(corpusFile("keyed-archive/swift-corelibs-foundation/" + relative), iChatArchiveClasses());
    EXPECT_TRUE(result.ok()) << result.failure;
    return result.root;
}

ObjectPtr typed(const std::string& relative) {
    bool consumedAll = false;
    auto result = TypedStreamUnarchiver::unarchive(corpusFile("typedstream/" + relative), iChatArchiveClasses(), &consumedAll);
    EXPECT_TRUE(result.ok()) << relative << ": " << result.failure;
    EXPECT_TRUE(consumedAll) << relative;
    return result.root;
}

// Keeps the object alive, unlike objectAs on a temporary.
template <typename T>
std::shared_ptr<const T> as(const ObjectPtr& object) {
    return std::dynamic_pointer_cast<const T>(object);
}

std::string text(const ObjectPtr& object) { return textOf(object).value_or("<not a string>"); }

Value number(const ObjectPtr& object) {
    auto* n = objectAs<ArchivedNumber>(object);
    return n ? n->value() : Value("<not a number>");
}

const std::vector<ObjectPtr>& elements(const ObjectPtr& object) {
    static const std::vector<ObjectPtr> none;
    auto* array = objectAs<ArchivedArray>(object);
    return array ? array->elements : none;
}

// Each character's attributes as plain values, for comparing whole texts.
std::vector<Value::Dictionary> attributesPerCharacter(const AttributedString& text) {
    std::vector<Value::Dictionary> result;
    for (std::size_t i = 0; i < text.length(); ++i) {
        Value::Dictionary values;
        for (const auto& [name, value] : text.attributesAt(i)) values.emplace(name, std::get<Value>(value));
        result.push_back(values);
    }
    return result;
}

}  // namespace

TEST_F(ArchiveCorpus, KeyedArchivesDecodeWithSharedObjectsUrlsAndUnknownClasses) {
    ObjectPtr array = keyed("NSKeyedUnarchiver-ArrayTest.plist");  // an XML property list
    ASSERT_EQ(elements(array).size(), 4u);
    EXPECT_EQ(text(elements(array)[0]), "baa");
    EXPECT_EQ(elements(array)[0], elements(array)[1]);  // one object, referenced twice
    EXPECT_EQ(text(elements(array)[2]), "black");
    EXPECT_EQ(text(elements(array)[3]), "sheep");
    EXPECT_EQ(array->className(), "NSArray");

    auto complex = as<ArchivedDictionary>(keyed("NSKeyedUnarchiver-ComplexTest.plist"));
    ASSERT_NE(complex, nullptr);
    ASSERT_EQ(complex->entries.size(), 4u);
    std::vector<std::string> keys;
    for (const auto& entry : complex->entries) keys.push_back(text(entry.first));
    EXPECT_EQ(keys, (std::vector<std::string>{"array", "string", "url", "uuid"}));
    const auto& list = elements(complex->entries[0].second);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_NE(objectAs<ArchivedNull>(list[0]), nullptr);
    EXPECT_EQ(text(list[1]), "hello");
    EXPECT_EQ(list[1], complex->entries[1].second);
    EXPECT_EQ(number(list[2]), Value(34545));
    auto* inner = objectAs<ArchivedDictionary>(list[3]);
    ASSERT_NE(inner, nullptr);
    ASSERT_EQ(inner->entries.size(), 1u);
    EXPECT_EQ(text(inner->entries[0].first), "key");
    EXPECT_EQ(text(inner->entries[0].second), "val");
    auto* url = objectAs<ArchivedURL>(complex->entries[2].second);
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(url->absoluteString(), "https://www.swift.org/index.xml");
    EXPECT_EQ(url->relative, "index.xml");
    EXPECT_NE(objectAs<OpaqueObject>(complex->entries[3].second), nullptr);
    EXPECT_EQ(complex->entries[3].second->className(), "NSUUID");
}

TEST_F(ArchiveCorpus, KeyedAttributedStringFollowsItsRunTable) {
    auto decoded = as<ArchivedAttributedString>(keyed("NSMutableAttributedString.archive"));
    ASSERT_NE(decoded, nullptr);
    const AttributedString& string = *decoded->text;
    EXPECT_EQ(string.utf8(), "0123456789");
    Value::Dictionary none, helvetica{{"Font", "Helvetica"}, {"Size", 123}}, times{{"Font", "Times"}, {"Size", 456}};
    EXPECT_EQ(attributesPerCharacter(string),
              (std::vector<Value::Dictionary>{none, helvetica, times, times, times, times, helvetica, helvetica, times, none}));
    EXPECT_EQ(string.runs().size(), 6u);
}

TEST_F(ArchiveCorpus, TypedStreamFoundationObjects) {
    EXPECT_EQ(text(typed("crabstep/foundation/NSString")), "Hello, world");
    EXPECT_EQ(text(typed("crabstep/foundation/NSMutableString")), "Hello, world");
    EXPECT_EQ(typed("crabstep/foundation/NSMutableString")->className(), "NSMutableString");
    EXPECT_EQ(text(typed("uetchy/NSStringNil")), "");

    ObjectPtr arrayRoot = typed("crabstep/foundation/NSArray");
    const auto& array = elements(arrayRoot);
    ASSERT_EQ(array.size(), 3u);
    EXPECT_EQ(text(array[0]), "a");
    EXPECT_EQ(number(array[1]), Value(1));
    EXPECT_EQ(text(array[2]), "b");

    auto dictionary = as<ArchivedDictionary>(typed("crabstep/foundation/NSDictionary"));
    ASSERT_NE(dictionary, nullptr);
    ASSERT_EQ(dictionary->entries.size(), 2u);
    EXPECT_EQ(text(dictionary->entries[0].first), "k2");
    EXPECT_EQ(text(dictionary->entries[0].second), "v");
    EXPECT_EQ(text(dictionary->entries[1].first), "k1");
    EXPECT_EQ(number(dictionary->entries[1].second), Value(1));

    auto date = as<ArchivedDate>(typed("crabstep/foundation/NSDate"));
    ASSERT_NE(date, nullptr);
    EXPECT_DOUBLE_EQ(date->date.secondsSinceReferenceDate(), 21692800.0);
    auto fractional = as<ArchivedDate>(typed("crabstep/foundation/NSDateFractional"));
    ASSERT_NE(fractional, nullptr);
    EXPECT_NEAR(fractional->date.secondsSinceReferenceDate(), 700000000.523, 1e-6);

    auto data = as<ArchivedData>(typed("crabstep/foundation/NSData"));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->bytes, (Bytes{0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x7F}));
    auto mutableData = as<ArchivedData>(typed("crabstep/foundation/NSMutableData"));
    ASSERT_NE(mutableData, nullptr);
    EXPECT_EQ(mutableData->bytes, (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));

    auto url = as<ArchivedURL>(typed("crabstep/foundation/NSURL"));
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(url->absoluteString(), "https://example.com/path?q=1");
    EXPECT_EQ(url->base, nullptr);
    auto relative = as<ArchivedURL>(typed("crabstep/foundation/NSURLRelative"));
    ASSERT_NE(relative, nullptr);
    ASSERT_NE(relative->base, nullptr);
    EXPECT_EQ(relative->base->absoluteString(), "https://example.com/dir/");
    EXPECT_EQ(relative->relative, "page.html");
    EXPECT_EQ(relative->absoluteString(), "https://example.com/dir/page.html");
}

TEST_F(ArchiveCorpus, TypedStreamNumbersKeepTheirDeclaredWidth) {
    EXPECT_EQ(number(typed("uetchy/NSNumberWith5digits")), Value(55555));
    EXPECT_EQ(number(typed("uetchy/NSNumberWithMinus5digits")), Value(-55555));
    auto big = as<ArchivedNumber>(typed("uetchy/NSNumberWithULongLong"));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->number, ArchivedNumber::Number(std::uint64_t{18446744073709551613u}));

    ObjectPtr mixedRoot = typed("uetchy/NSArrayWithMixedType");
    const auto& mixed = elements(mixedRoot);
    ASSERT_EQ(mixed.size(), 4u);
    EXPECT_EQ(text(mixed[0]), "abc");
    EXPECT_EQ(number(mixed[1]), Value(123));
    EXPECT_EQ(number(mixed[2]), Value(0.5));
    EXPECT_EQ(number(mixed[3]), Value(1));

    // [first, [second, [third, 3], 2], 1], with classes and C strings referenced back.
    ObjectPtr outerRoot = typed("uetchy/NSArrayWithNestedArray");
    const auto& outer = elements(outerRoot);
    ASSERT_EQ(outer.size(), 3u);
    EXPECT_EQ(text(outer[0]), "first");
    EXPECT_EQ(number(outer[2]), Value(1));
    const auto& middle = elements(outer[1]);
    ASSERT_EQ(middle.size(), 3u);
    EXPECT_EQ(text(middle[0]), "second");
    EXPECT_EQ(number(middle[2]), Value(2));
    const auto& innermost = elements(middle[1]);
    ASSERT_EQ(innermost.size(), 2u);
    EXPECT_EQ(text(innermost[0]), "third");
    EXPECT_EQ(number(innermost[1]), Value(3));
}

TEST_F(ArchiveCorpus, TypedStreamAttributedStringsReuseAttributeSets) {
    auto plain = as<ArchivedAttributedString>(typed("crabstep/foundation/NSAttributedString"));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->text->utf8(), "Hello, world");
    ASSERT_EQ(plain->text->runs().size(), 1u);
    EXPECT_TRUE(plain->text->runs()[0].attributes->empty());

    auto body = as<ArchivedAttributedString>(typed("crabstep/AttributedBodyTextOnly"));
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->text->utf8(), "Noter test");
    EXPECT_EQ(attributesPerCharacter(*body->text),
              std::vector<Value::Dictionary>(10, {{"__kIMMessagePartAttributeName", 0}}));

    auto styles = as<ArchivedAttributedString>(typed("crabstep/TextStylesMixed"));
    ASSERT_NE(styles, nullptr);
    EXPECT_EQ(styles->text->utf8(), "Underline normal jitter normal");
    Value::Dictionary first{{"__kIMBaseWritingDirectionAttributeName", -1}, {"__kIMMessagePartAttributeName", 0},
                            {"__kIMTextUnderlineAttributeName", 1}};
    Value::Dictionary second{{"__kIMBaseWritingDirectionAttributeName", -1}, {"__kIMMessagePartAttributeName", 0}};
    Value::Dictionary third{{"__kIMBaseWritingDirectionAttributeName", -1}, {"__kIMMessagePartAttributeName", 0},
                            {"__kIMTextEffectAttributeName", 10}};
    std::vector<Value::Dictionary> expected(9, first);
    expected.insert(expected.end(), 8, second);
    expected.insert(expected.end(), 6, third);
    expected.insert(expected.end(), 7, second);
    EXPECT_EQ(attributesPerCharacter(*styles->text), expected);
    EXPECT_EQ(styles->text->runs()[1].attributes, styles->text->runs()[3].attributes);  // set 2, decoded once
}
