#include "display/MessageMarkup.h"

#include "store/OrvaneExtras.h"
#include "tests/display/AnchorIDs.h"

#include <gtest/gtest.h>

#include <set>

namespace talv {

using test::withoutAnchorUUIDs;

TEST(MessageMarkup, LinksAndEmailsBecomeAnchors) {
    EXPECT_EQ(withoutAnchorUUIDs(anchorLinksAndEmails("see www.example.com/a?b=1. or http://localhost:8080/x")),
              R"(see <a id="_LINK-ID" href="http://www.example.com/a?b=1">www.example.com/a?b=1</a>. or )"
              R"(<a id="_LINK-ID" href="http://localhost:8080/x">http://localhost:8080/x</a>)");
    EXPECT_EQ(withoutAnchorUUIDs(anchorLinksAndEmails("mail bob.s@mail.example.org, thanks")),
              R"(mail <a id="_EMAIL-ID" href="mailto:bob.s@mail.example.org">bob.s@mail.example.org</a>, thanks)");
    // An address inside a link stays part of that link (no anchor inside the link's markup).
    EXPECT_EQ(withoutAnchorUUIDs(anchorLinksAndEmails("ftp://joe@ftp.example.com/pub and joe@example.com")),
              R"(<a id="_LINK-ID" href="ftp://joe@ftp.example.com/pub">ftp://joe@ftp.example.com/pub</a> and )"
              R"(<a id="_EMAIL-ID" href="mailto:joe@example.com">joe@example.com</a>)");
    // Only web and file-transfer links are clickable; other schemes, and addresses inside them, stay text.
    EXPECT_EQ(withoutAnchorUUIDs(anchorLinksAndEmails(
                  "javascript://x.example.com/%0aalert(1) data://x.example.com/y JaVaScRiPt://me@x.example.com HTTPS://ok.example.com")),
              "javascript://x.example.com/%0aalert(1) data://x.example.com/y JaVaScRiPt://me@x.example.com "
              R"(<a id="_LINK-ID" href="HTTPS://ok.example.com">HTTPS://ok.example.com</a>)");
    // An escaped quotation mark cannot leave the attribute.
    std::string quoted = anchorLinksAndEmails(htmlEscapedString(R"(http://a.example.com/"onmouseover="x)"));
    EXPECT_EQ(quoted.find(R"("onmouseover)"), std::string::npos);
}

TEST(MessageMarkup, AnchorIdsAreFreshUUIDs) {
    std::string twice = anchorLinksAndEmails("www.example.com www.example.com");
    std::set<std::string> ids;
    for (std::size_t at = twice.find("_LINK-"); at != std::string::npos; at = twice.find("_LINK-", at + 1))
        ids.insert(twice.substr(at, 6 + 36));
    EXPECT_EQ(ids.size(), 2u);
    EXPECT_NE(anchorLinksAndEmails("www.example.com"), anchorLinksAndEmails("www.example.com"));
}

TEST(MessageMarkup, SearchMarksStayOutsideMarkupAndKeepTheirCase) {
    // The match in the link's target is left alone; the one in its text is marked.
    std::string linked = anchorLinksAndEmails("go to www.example.com now");
    EXPECT_EQ(withoutAnchorUUIDs(markSearchText(linked, "example")),
              R"(go to <a id="_LINK-ID" href="http://www.example.com">www.<a id="_TEXT-ID">)"
              R"(<div class="highlighted_word">example</div></a>.com</a> now)");
    // Every case is found and keeps its own case.
    EXPECT_EQ(withoutAnchorUUIDs(markSearchText("Tea, TEA and tea", "tea")),
              R"(<a id="_TEXT-ID"><div class="highlighted_word">Tea</div></a>, )"
              R"(<a id="_TEXT-ID"><div class="highlighted_word">TEA</div></a> and )"
              R"(<a id="_TEXT-ID"><div class="highlighted_word">tea</div></a>)");
    // A search text found only in a picture anchor's attributes is not marked.
    std::string picture = pictureAnchor(12, "file:///tmp/Tal-12-holiday.png", {128, 64});
    EXPECT_EQ(markSearchText(picture, "holiday"), picture);
    EXPECT_EQ(markSearchText("a<br/>b", "br"), "a<br/>b");
    // Nor is a part of a character reference; the reference itself is.
    EXPECT_EQ(markSearchText("say &quot;hi&quot;", "quot"), "say &quot;hi&quot;");
    EXPECT_EQ(withoutAnchorUUIDs(markSearchText("a &lt; b", htmlEscapedString("<"))),
              R"(a <a id="_TEXT-ID"><div class="highlighted_word">&lt;</div></a> b)");
    // Non-ASCII letters match without regard to case; pattern characters are literal.
    EXPECT_EQ(withoutAnchorUUIDs(markSearchText("ÉTÉ été", "été")),
              R"(<a id="_TEXT-ID"><div class="highlighted_word">ÉTÉ</div></a> )"
              R"(<a id="_TEXT-ID"><div class="highlighted_word">été</div></a>)");
    EXPECT_EQ(withoutAnchorUUIDs(markSearchText("a.c abc (x)", "(x)")),
              R"(a.c abc <a id="_TEXT-ID"><div class="highlighted_word">(x)</div></a>)");
    EXPECT_EQ(markSearchText("abc", ""), "abc");
}

TEST(MessageMarkup, PictureAnchor) {
    EXPECT_EQ(withoutAnchorUUIDs(pictureAnchor(42, "file:///tmp/Tal-42-a&b.png", {42, 128})),
              R"(<a id="_IMAGE-ID" class="inherited_frame" href="talvimage://42">)"
              R"(<img src="file:///tmp/Tal-42-a&amp;b.png" width="42" height="128" border="1"></a>)");
}

}  // namespace talv
