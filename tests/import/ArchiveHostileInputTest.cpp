// Damaged and hostile archives end in a failure reason, never a crash, a hang or a huge
// allocation; the iChat classes decode and log as iChat's own classes do.
#include "import/FoundationArchiveClasses.h"
#include "import/IChatArchiveClasses.h"
#include "import/KeyedUnarchiver.h"
#include "import/TypedStreamUnarchiver.h"
#include "platform/Log.h"
#include "tools/KeyedArchiveWriter.h"
#include "tools/TypedStreamWriter.h"

#include <gtest/gtest.h>

#include <functional>

using namespace talv;
using namespace talv::tools;

namespace {

std::string_view view(const Bytes& bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

Unarchived keyed(const Bytes& bytes) { return KeyedUnarchiver::unarchive(view(bytes), iChatArchiveClasses()); }
Unarchived typed(std::string_view bytes) { return TypedStreamUnarchiver::unarchive(bytes, iChatArchiveClasses()); }

const std::string Header("\x04\x0bstreamtyped\x81\xe8\x03", 16);

// The worked example of the format notes: one InstantMessage from alice (AIM), 123456789.5 s
// after 2001, text "hi" with one empty attribute set, flags 5; little-endian.
const unsigned char WorkedExample[] = {
    0x04, 0x0b, 0x73, 0x74, 0x72, 0x65, 0x61, 0x6d, 0x74, 0x79, 0x70, 0x65, 0x64, 0x81, 0xe8, 0x03, 0x84, 0x01, 0x40, 0x84,
    0x84, 0x84, 0x0e, 0x49, 0x6e, 0x73, 0x74, 0x61, 0x6e, 0x74, 0x4d, 0x65, 0x73, 0x73, 0x61, 0x67, 0x65, 0x00, 0x84, 0x84,
    0x08, 0x4e, 0x53, 0x4f, 0x62, 0x6a, 0x65, 0x63, 0x74, 0x00, 0x85, 0x92, 0x84, 0x84, 0x84, 0x0a, 0x50, 0x72, 0x65, 0x73,
    0x65, 0x6e, 0x74, 0x69, 0x74, 0x79, 0x00, 0x94, 0x92, 0x84, 0x84, 0x84, 0x08, 0x4e, 0x53, 0x53, 0x74, 0x72, 0x69, 0x6e,
    0x67, 0x01, 0x94, 0x84, 0x01, 0x2b, 0x03, 0x41, 0x49, 0x4d, 0x86, 0x92, 0x84, 0x98, 0x97, 0x05, 0x61, 0x6c, 0x69, 0x63,
    0x65, 0x86, 0x86, 0x92, 0x84, 0x84, 0x84, 0x06, 0x4e, 0x53, 0x44, 0x61, 0x74, 0x65, 0x00, 0x94, 0x84, 0x01, 0x64, 0x83,
    0x00, 0x00, 0x00, 0x56, 0x34, 0x6f, 0x9d, 0x41, 0x86, 0x92, 0x84, 0x84, 0x84, 0x12, 0x4e, 0x53, 0x41, 0x74, 0x74, 0x72,
    0x69, 0x62, 0x75, 0x74, 0x65, 0x64, 0x53, 0x74, 0x72, 0x69, 0x6e, 0x67, 0x00, 0x94, 0x92, 0x84, 0x98, 0x97, 0x02, 0x68,
    0x69, 0x86, 0x84, 0x02, 0x69, 0x49, 0x01, 0x02, 0x92, 0x84, 0x84, 0x84, 0x0c, 0x4e, 0x53, 0x44, 0x69, 0x63, 0x74, 0x69,
    0x6f, 0x6e, 0x61, 0x72, 0x79, 0x00, 0x94, 0x84, 0x01, 0x69, 0x00, 0x86, 0x86, 0x84, 0x01, 0x49, 0x05, 0x86};

void expectWorkedExampleMessage(const Unarchived& result) {
    ASSERT_TRUE(result.ok()) << result.failure;
    auto message = std::dynamic_pointer_cast<const InstantMessage>(result.root);
    ASSERT_TRUE(message);
    ASSERT_TRUE(message->sender);
    EXPECT_EQ(message->sender->senderID, "alice");
    EXPECT_EQ(message->sender->service, "AIM");
    EXPECT_EQ(message->date, Date::fromReferenceDate(123456789.5));
    EXPECT_EQ(message->text->utf8(), "hi");
    EXPECT_EQ(message->flags, 5u);
    EXPECT_NE(message->description().find("> <alice (AIM)>: hi"), std::string::npos);
}

}  // namespace

TEST(TypedStreamUnarchiver, WorkedExampleDecodesInBothByteOrders) {
    std::string little(reinterpret_cast<const char*>(WorkedExample), sizeof WorkedExample);
    expectWorkedExampleMessage(typed(little));

    std::string big = little;
    big.replace(2, 11, "typedstream");
    big.replace(13, 3, "\x81\x03\xe8");
    std::size_t real = big.find("\x83\x00\x00\x00\x56\x34\x6f\x9d\x41", 0, 9);
    ASSERT_NE(real, std::string::npos);
    big.replace(real, 9, "\x83\x41\x9d\x6f\x34\x56\x00\x00\x00", 9);
    expectWorkedExampleMessage(typed(big));
}

TEST(TypedStreamUnarchiver, DamagedStreamsFailWithAReason) {
    std::string little(reinterpret_cast<const char*>(WorkedExample), sizeof WorkedExample);
    // Every truncation fails cleanly.
    for (std::size_t length = 0; length < little.size(); ++length) {
        EXPECT_FALSE(typed(little.substr(0, length)).ok()) << length;
    }
    auto failure = [](std::string_view bytes) { return typed(bytes).failure; };
    EXPECT_NE(failure("\x04\x0bstreamtypeX\x81\xe8\x03").find("not a typedstream"), std::string::npos);
    // Groups inside an object of a class nobody reads, so that they are decoded generically.
    auto inObject = [](const std::function<void(TypedStreamWriter&)>& groups) {
        TypedStreamWriter writer;
        writer.types("@");
        writer.object({"Unknown", "NSObject"}, nullptr, [&] { groups(writer); });
        return writer.finish();
    };
    EXPECT_NE(failure(inObject([](TypedStreamWriter& w) { w.types("X"); })).find("unknown type code"), std::string::npos);
    EXPECT_EQ(failure(Header + "\x84\x01@\x85"), "");  // an archived nil is no failure
    EXPECT_NE(failure(Header + "\x84\x01@\x88").find("unexpected tag"), std::string::npos);
    EXPECT_NE(failure(Header + "\x84\x01@\xa0").find("bad object reference"), std::string::npos);
    // A class that names itself as its superclass.
    EXPECT_NE(failure(Header + std::string("\x84\x01@\x84\x84\x84\x01Z\x00\x93", 10)).find("class chain too long"),
              std::string::npos);
    // Counts larger than the data fail before anything is allocated for them.
    EXPECT_NE(failure(inObject([](TypedStreamWriter& w) { w.types("[999999999c]"); })).find("array longer than the data"),
              std::string::npos);
    EXPECT_NE(failure(Header + std::string("\x84\x01@\x84\x84\x84\x07NSArray\x00\x85\x84\x01i\x82\xff\xff\xff\x7f", 23))
                  .find("truncated"),
              std::string::npos);
    std::string deepTypes = "i";
    for (int i = 0; i < 40; ++i) deepTypes = "{a=" + deepTypes + "}";
    EXPECT_NE(failure(inObject([&](TypedStreamWriter& w) { w.types(deepTypes); })).find("nested too deeply"), std::string::npos);
    // Types that take no bytes cannot make a group spin.
    EXPECT_NE(failure(inObject([](TypedStreamWriter& w) {
                  w.types("[9[9[9[9[9[9[9[9!]]]]]]]]");
                  w.rawBytes(std::string(16, '\0'));
              })).find("too many values"),
              std::string::npos);
}

TEST(TypedStreamUnarchiver, NestingIsLimitedAndCyclesReadAsNil) {
    TypedStreamWriter writer;
    std::function<void(int)> nest = [&](int depth) {
        writer.types("@");
        writer.object({"NSArray", "NSObject"}, nullptr, [&] {
            writer.types("i");
            writer.integer(depth > 0 ? 1 : 0);
            if (depth > 0) nest(depth - 1);
        });
    };
    nest(300);
    EXPECT_NE(typed(writer.finish()).failure.find("nested too deeply"), std::string::npos);

    // An array holding a reference to itself (object 0) while it is being decoded.
    auto cycle = typed(Header + std::string("\x84\x01@\x84\x84\x84\x07NSArray\x00\x85\x84\x01i\x01\x92\x92\x86", 23));
    ASSERT_TRUE(cycle.ok()) << cycle.failure;
    auto* array = objectAs<ArchivedArray>(cycle.root);
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(array->elements.size(), 1u);
    EXPECT_EQ(array->elements[0], nullptr);
}

TEST(KeyedUnarchiver, DamagedArchivesFailWithAReason) {
    KeyedArchiveWriter writer;
    Uid message = writer.encodeObject("InstantMessage", {"NSObject"}, {{"Sender", writer.encodeString("not a presentity")}});
    Bytes wrongType = writer.finish({{"root", message}});
    // A message with a field of the wrong type is left out on its own, the archive still decodes.
    const Unarchived decoded = keyed(wrongType);
    auto* malformed = objectAs<MalformedMessage>(decoded.root);
    ASSERT_NE(malformed, nullptr);
    EXPECT_EQ(malformed->reason, "InstantMessage: sender is a NSString");
    for (std::size_t length : {0ul, 8ul, wrongType.size() / 2, wrongType.size() - 1}) {
        EXPECT_FALSE(keyed(Bytes(wrongType.begin(), wrongType.begin() + static_cast<std::ptrdiff_t>(length))).ok()) << length;
    }
    EXPECT_NE(keyed(Value(Value::Dictionary{{"$top", Value::Dictionary{}}}).toBinaryPlist()).failure.find("no $objects"),
              std::string::npos);

    KeyedArchiveWriter outOfRange;
    Bytes beyond = outOfRange.finish({{"root", Uid{99}}});
    EXPECT_NE(keyed(beyond).failure.find("reference 99 beyond"), std::string::npos);

    // Run tables that overrun the text, name a missing set or never end.
    auto attributed = [](const Bytes& table) {
        KeyedArchiveWriter w;
        Uid text = w.encodeString("abc");
        Uid sets = w.encodeArray({w.encodeDictionary({})});
        Uid info = w.encodeData(table);
        Uid root = w.encodeObject("NSAttributedString", {"NSObject"},
                                  {{"NSString", text}, {"NSAttributes", sets}, {"NSAttributeInfo", info}});
        return keyed(w.finish({{"root", root}})).failure;
    };
    EXPECT_NE(attributed({4, 0}).find("longer than the text"), std::string::npos);
    EXPECT_NE(attributed({0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f, 0}).find("longer than the text"),
              std::string::npos);
    EXPECT_NE(attributed({1, 1}).find("missing set"), std::string::npos);
    EXPECT_NE(attributed({1, 0x80}).find("damaged attribute run table"), std::string::npos);
    EXPECT_EQ(attributed({1, 0, 2, 0}), "");
}

TEST(KeyedUnarchiver, NestingIsLimitedAndCyclesReadAsNil) {
    KeyedArchiveWriter deep;
    Uid inner = deep.encodeArray({});
    for (int i = 0; i < 300; ++i) inner = deep.encodeArray({inner});
    EXPECT_NE(keyed(deep.finish({{"root", inner}})).failure.find("nested too deeply"), std::string::npos);

    // An array whose only element (written as "NS.object.0") is the array itself.
    KeyedArchiveWriter writer;
    Uid classRecordMade = writer.encodeArray({});
    Uid self{classRecordMade.index + 1};
    Uid array = writer.encodeObject("NSMutableArray", {"NSArray", "NSObject"}, {{"NS.object.0", self}});
    ASSERT_EQ(array.index, self.index);
    auto result = keyed(writer.finish({{"root", array}}));
    ASSERT_TRUE(result.ok()) << result.failure;
    auto* decoded = objectAs<ArchivedArray>(result.root);
    ASSERT_NE(decoded, nullptr);
    ASSERT_EQ(decoded->elements.size(), 1u);
    EXPECT_EQ(decoded->elements[0], nullptr);
}

TEST(IChatArchiveClasses, UnusedClassesLogTheirDecoding) {
    KeyedArchiveWriter writer;
    Uid aim = writer.encodeObject("AIM", {"NSObject"}, {{"$0", writer.encodeString("inside")}});
    Uid person = writer.encodeObject("Person", {"NSObject"}, {});
    Uid font = writer.encodeObject("NSFont", {"NSObject"}, {{"NSName", writer.encodeString("Helvetica")}});
    Bytes archive = writer.finish({{"root", writer.encodeArray({aim, person, font})}});
    {
        LogCapture log;
        auto result = keyed(archive);
        ASSERT_TRUE(result.ok()) << result.failure;
        EXPECT_EQ(log.lines(), (std::vector<std::string>{"initWithCoder called on AIM", "Decoding an obj",
                                                         "unknown obj is inside", "Done Decoding obj",
                                                         "initWithCoder called on Person"}));
        auto* list = objectAs<ArchivedArray>(result.root);
        ASSERT_NE(list, nullptr);
        EXPECT_NE(objectAs<AIM>(list->elements[0]), nullptr);
        EXPECT_NE(objectAs<OpaqueObject>(list->elements[2]), nullptr);
    }

    TypedStreamWriter stream;
    stream.types("@");
    stream.object({"AIM", "NSObject"}, nullptr, [&] { stream.stringGroup("inside"); });
    LogCapture log;
    auto result = typed(stream.finish());
    ASSERT_TRUE(result.ok()) << result.failure;
    EXPECT_EQ(log.lines().size(), 4u);
    EXPECT_TRUE(log.contains("unknown obj is inside"));
}

TEST(KeyedUnarchiver, SharedObjectsDoNotMultiplyIntoCopies) {
    // Arrays that hold the one below twice, 40 levels up: described and decoded in moments.
    KeyedArchiveWriter nested;
    Uid level = nested.encodeString("leaf");
    for (int i = 0; i < 40; ++i) level = nested.encodeArray({level, level});
    Uid aim = nested.encodeObject("AIM", {"NSObject"}, {{"$0", level}});
    LogCapture log;
    auto result = keyed(nested.finish({{"root", aim}}));
    EXPECT_TRUE(result.ok()) << result.failure;
    EXPECT_TRUE(log.contains("unknown obj is ((...), (...))"));

    // One large string shared by many attribute sets, each copied into its own set.
    KeyedArchiveWriter shared;
    Uid big = shared.encodeString(std::string(1 << 20, 'x'));
    Uid key = shared.encodeString("NSToolTip");
    std::vector<Uid> sets;
    Bytes table;
    for (int i = 0; i < 100; ++i) {
        sets.push_back(shared.encodeDictionary({{key, big}}));
        table.insert(table.end(), {1, static_cast<std::uint8_t>(i)});
    }
    Uid text = shared.encodeString(std::string(100, 'a'));
    Uid root = shared.encodeObject("NSAttributedString", {"NSObject"},
                                   {{"NSString", text}, {"NSAttributes", shared.encodeArray(sets)}, {"NSAttributeInfo", shared.encodeData(table)}});
    EXPECT_NE(keyed(shared.finish({{"root", root}})).failure.find("expands beyond its limits"), std::string::npos);
}
