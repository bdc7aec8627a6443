#include "platform/AttributedString.h"

#include <gtest/gtest.h>

using namespace talv;

namespace {

const std::string Bold = "bold";

Attributes link(const char* url) { return {{std::string(LinkAttributeName), Value(url)}}; }

}  // namespace

TEST(AttributedString, Utf16ConversionCountsUnitsAndReplacesBrokenInput) {
    AttributedString text(std::string_view("a\xC3\xA9\xF0\x9F\x98\x80z"));  // a é 😀 z
    EXPECT_EQ(text.length(), 5u);
    EXPECT_EQ(text.utf8(), "a\xC3\xA9\xF0\x9F\x98\x80z");
    EXPECT_EQ(toUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");          // lone high surrogate
    EXPECT_EQ(toUtf8(u"\xDC00"), "\xEF\xBF\xBD");             // lone low surrogate
    EXPECT_EQ(toUtf16("\xC0\xAF"), u"\xFFFD\xFFFD");          // overlong
    EXPECT_EQ(toUtf16("\xE2\x82"), u"\xFFFD");                // truncated
    EXPECT_EQ(toUtf16("\xED\xA0\x80"), u"\xFFFD");            // encoded surrogate
}

TEST(AttributedString, RunsSplitAndMergeAsAttributesChange) {
    AttributedString text(std::string_view("hello world"));
    text.addAttribute(Bold, Value(true), {2, 3});
    ASSERT_EQ(text.runs().size(), 3u);
    TextRange range;
    EXPECT_TRUE(text.attributesAt(0, &range).empty());
    EXPECT_EQ(range, (TextRange{0, 2}));
    EXPECT_EQ(text.attributesAt(4, &range).size(), 1u);
    EXPECT_EQ(range, (TextRange{2, 3}));

    // Overlapping link: the bold run splits; attributeAt reports the whole stretch of one value.
    text.addAttribute(LinkAttributeName, Value("http://a"), {4, 4});
    EXPECT_EQ(text.runs().size(), 5u);
    ASSERT_NE(text.attributeAt(Bold, 4, &range), nullptr);
    EXPECT_EQ(range, (TextRange{2, 3}));
    EXPECT_EQ(text.attributeAt(LinkAttributeName, 1, &range), nullptr);
    EXPECT_EQ(range, (TextRange{0, 4}));

    // Removing both brings back one run; the same value set twice stays one run.
    text.removeAttribute(Bold, {0, 100});
    text.removeAttribute(LinkAttributeName, {0, 100});
    EXPECT_EQ(text.runs().size(), 1u);
    text.addAttribute(Bold, Value(1), {0, 3});
    text.addAttribute(Bold, Value(1), {3, 3});
    EXPECT_EQ(text.runs().size(), 2u);
    EXPECT_EQ(text.runs()[0].length, 6u);

    // Out of range: clipped, or nothing at all.
    text.addAttribute(Bold, Value(2), {50, 3});
    EXPECT_EQ(text.runs().size(), 2u);
    EXPECT_TRUE(text.attributesAt(11, &range).empty());
    EXPECT_EQ(range, (TextRange{11, 0}));
}

TEST(AttributedString, ReplacementInheritsAttributesAndShiftsRuns) {
    AttributedString text(std::string_view("see x here"));
    text.addAttribute(LinkAttributeName, Value("http://example.com/"), {4, 1});
    // A link's run replaced by its URL keeps the link.
    text.replaceCharacters({4, 1}, u"http://example.com/");
    EXPECT_EQ(text.utf8(), "see http://example.com/ here");
    TextRange range;
    ASSERT_NE(text.attributeAt(LinkAttributeName, 4, &range), nullptr);
    EXPECT_EQ(range, (TextRange{4, 19}));
    EXPECT_EQ(text.attributeAt(LinkAttributeName, 23), nullptr);

    // Insertion takes the attributes of the character before, or at the start the one after.
    text.replaceCharacters({23, 0}, u"!");
    EXPECT_NE(text.attributeAt(LinkAttributeName, 23), nullptr);
    text.replaceCharacters({0, 0}, u">");
    EXPECT_EQ(text.attributeAt(LinkAttributeName, 0), nullptr);
    EXPECT_EQ(text.utf8(), ">see http://example.com/! here");

    // Attributed replacement and append bring their own runs; deleting everything leaves none.
    text.replaceCharacters({0, 5}, AttributedString(std::string_view("--"), link("x")));
    EXPECT_EQ(text.runs().size(), 3u);  // same key, other value: no merge
    EXPECT_EQ(text.utf8(), "--http://example.com/! here");
    text.append(text);
    EXPECT_EQ(text.length(), 54u);
    EXPECT_EQ(text.runs().size(), 6u);
    text.replaceCharacters({0, 1000}, u"");
    EXPECT_EQ(text.length(), 0u);
    EXPECT_TRUE(text.runs().empty());
}

TEST(AttributedString, AttachmentsCompareByWrapperContents) {
    auto picture = std::make_shared<FileWrapper>(FileWrapper{FileWrapper::Kind::RegularFile, "a.png", Bytes{1, 2, 3}, {}});
    auto copy = std::make_shared<FileWrapper>(*picture);
    auto folder = std::make_shared<FileWrapper>(FileWrapper{FileWrapper::Kind::Directory, "x.rtfd", {}, {*picture}});
    EXPECT_NE(picture->regularFileContents(), nullptr);
    EXPECT_EQ(folder->regularFileContents(), nullptr);

    AttributedString text(u"\xFFFC\xFFFC");
    text.addAttribute(AttachmentAttributeName, TextAttachment{picture}, {0, 1});
    text.addAttribute(AttachmentAttributeName, TextAttachment{copy}, {1, 1});
    EXPECT_EQ(text.runs().size(), 1u);  // equal wrappers, distinct objects
    text.addAttribute(AttachmentAttributeName, TextAttachment{folder}, {1, 1});
    ASSERT_EQ(text.runs().size(), 2u);
    auto* attachment = std::get_if<TextAttachment>(text.attributeAt(AttachmentAttributeName, 0));
    ASSERT_NE(attachment, nullptr);
    EXPECT_EQ(*attachment->fileWrapper->regularFileContents(), (Bytes{1, 2, 3}));
}

TEST(AttributedString, FromRunsSharesSetsAndCoversTheText) {
    auto bold = std::make_shared<const Attributes>(Attributes{{Bold, Value(true)}});
    auto alsoBold = std::make_shared<const Attributes>(*bold);
    auto text = AttributedString::fromRuns(u"abcdefgh", {{2, bold}, {0, nullptr}, {2, alsoBold}, {1, nullptr}, {9, bold}});
    ASSERT_EQ(text.runs().size(), 3u);
    EXPECT_EQ(text.runs()[0].length, 4u);  // equal sets merge, empty runs vanish
    EXPECT_EQ(text.runs()[2].length, 3u);  // cut at the end of the text
    EXPECT_EQ(text.runs()[0].attributes, text.runs()[2].attributes);

    auto shortRuns = AttributedString::fromRuns(u"abcdef", {{2, bold}});
    TextRange range;
    EXPECT_TRUE(shortRuns.attributesAt(5, &range).empty());
    EXPECT_EQ(range, (TextRange{2, 4}));
    EXPECT_EQ(shortRuns, AttributedString::fromRuns(u"abcdef", {{2, alsoBold}, {4, nullptr}}));
}

namespace {

// The link over each marked stretch, as (text, link) pairs in order.
std::vector<std::pair<std::string, std::string>> links(const AttributedString& text) {
    std::vector<std::pair<std::string, std::string>> found;
    for (std::size_t i = 0; i < text.length();) {
        TextRange range;
        const AttributeValue* link = text.attributeAt(LinkAttributeName, i, &range);
        if (link) {
            found.emplace_back(toUtf8(text.string().substr(range.location, range.length)), *std::get<Value>(*link).asText());
            EXPECT_EQ(text.attributeAt(UnderlineAttributeName, i)->index(), 0u);
            EXPECT_EQ(std::get<Value>(*text.attributeAt(ColorAttributeName, i)), Value("blue"));
        }
        i = range.end() > i ? range.end() : i + 1;
    }
    return found;
}

}  // namespace

TEST(AttributedString, DetectURLsMarksLinkWordsAndAddressesInsideWords) {
    AttributedString text(std::string_view(
        "go www.example.com, or ftp.gnu.org and gopher.floodgap.com\n(mail:bob@example.org) "
        "WWW.CAPS.COM mailto:x@y.z see http://a.b/c?d=1 nothttp://x y:// wrong://bad\"url"));
    text.addAttribute("NSFont", Value("Helvetica"), {0, text.length()});
    text.detectURLs(Value("blue"));
    EXPECT_EQ(links(text), (std::vector<std::pair<std::string, std::string>>{
                               {"www.example.com,", "http://www.example.com,"},
                               {"ftp.gnu.org", "ftp://ftp.gnu.org"},
                               {"gopher.floodgap.com", "gopher://gopher.floodgap.com"},
                               {"bob@example.org", "mailto:bob@example.org"},
                               {"mailto:x@y.z", "mailto:x@y.z"},
                               {"http://a.b/c?d=1", "http://a.b/c?d=1"},
                               {"nothttp://x", "nothttp://x"},
                               {"y://", "y://"},
                           }));
    // Existing attributes stay; capitals do not make a web address.
    EXPECT_NE(text.attributeAt("NSFont", 3), nullptr);
    EXPECT_EQ(text.attributeAt(LinkAttributeName, text.utf8().find("WWW.")), nullptr);
}
