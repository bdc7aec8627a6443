#include "store/OrvaneExtras.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <regex>
#include <set>

using namespace talv;

TEST(OrvaneExtras, HtmlEscapingReplacesEachSpecialCharacterOnce) {
    EXPECT_EQ(htmlEscapedString(""), "");
    EXPECT_EQ(htmlEscapedString("plain text, with\ttabs"), "plain text, with\ttabs");
    EXPECT_EQ(htmlEscapedString("a<b and c & d"), "a&lt;b and c &amp; d");
    EXPECT_EQ(htmlEscapedString("\"x\" > y"), "&quot;x&quot; &gt; y");
    EXPECT_EQ(htmlEscapedString("one\r\ntwo\nthree\r"), "one<br/><br/>two<br/>three<br/>");
    // An entity already in the text is escaped as text, never left or doubled further.
    EXPECT_EQ(htmlEscapedString("&amp;"), "&amp;amp;");
    EXPECT_EQ(htmlEscapedString("caf\xC3\xA9 <\xE2\x9C\x93>"), "caf\xC3\xA9 &lt;\xE2\x9C\x93&gt;");

    EXPECT_EQ(sqliteEscapedString("it's Bob's"), "it''s Bob''s");
    EXPECT_EQ(sqliteEscapedString("''"), "''''");
    EXPECT_EQ(sqliteEscapedString("no quotes \""), "no quotes \"");
}

TEST(OrvaneExtras, Utf8FilesAndUuids) {
    test::TempDir dir;
    test::writeFile(dir / "good.txt", "h\xC3\xA9llo\n");
    test::writeFile(dir / "nul.txt", std::string("a\0b", 3));
    test::writeFile(dir / "latin1.txt", "h\xE9llo");
    EXPECT_EQ(stringWithContentsOfUTF8File(dir / "good.txt"), "h\xC3\xA9llo\n");
    EXPECT_EQ(stringWithContentsOfUTF8File(dir / "nul.txt"), std::string("a\0b", 3));
    EXPECT_EQ(stringWithContentsOfUTF8File(dir / "latin1.txt"), std::nullopt);
    EXPECT_EQ(stringWithContentsOfUTF8File(dir / "missing.txt"), std::nullopt);
    EXPECT_EQ(stringWithContentsOfUTF8File(dir.path()), std::nullopt);

    const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        auto uuid = UUIDString();
        ASSERT_TRUE(uuid);
        EXPECT_TRUE(std::regex_match(*uuid, form)) << *uuid;
        seen.insert(*uuid);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST(OrvaneExtras, DayBoundariesFollowTheLocalZone) {
    test::setTimeZone("America/New_York");
    // 2026-06-15 14:30:10.5 EDT (UTC-4).
    const Date afternoon{1781548210.5};
    EXPECT_EQ(startOfDay(afternoon), Date{1781496000});  // 04:00 UTC
    EXPECT_EQ(endOfDay(afternoon), Date{1781582399});    // next day 03:59:59 UTC
    EXPECT_EQ(startOfDay(Date{1781496000}), Date{1781496000});
    EXPECT_EQ(endOfDay(Date{1781582399}), Date{1781582399});
    EXPECT_EQ(startOfDay(Date{1781495999}), Date{1781496000 - 86400});

    // 2026-03-08 has 23 hours; 2026-11-01 has 25.
    const Date springForward{1772985600};  // 2026-03-08 12:00 EDT
    EXPECT_EQ(startOfDay(springForward), Date{1772946000});
    EXPECT_EQ(endOfDay(springForward).secondsSince1970 - startOfDay(springForward).secondsSince1970, 23 * 3600 - 1);
    const Date fallBack{1793545200};  // 2026-11-01 10:00 EST
    EXPECT_EQ(endOfDay(fallBack).secondsSince1970 - startOfDay(fallBack).secondsSince1970, 25 * 3600 - 1);

    // The same instant belongs to another calendar day in another zone.
    test::setTimeZone("Asia/Tokyo");
    EXPECT_EQ(startOfDay(afternoon), Date{1781535600});  // 2026-06-16 00:00 JST

    // A day whose midnight falls in a daylight-saving gap starts at 01:00.
    test::setTimeZone("America/Sao_Paulo");
    EXPECT_EQ(startOfDay(Date{1541340000}), Date{1541300400});  // 2018-11-04
    test::setTimeZone("America/New_York");
}

TEST(OrvaneExtras, CompressedBlobsRoundTripAndDamageYieldsNothing) {
    Bytes data(1000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 % 13);
    auto blob = compressedData(data);
    ASSERT_TRUE(blob);
    EXPECT_EQ((Bytes{(*blob)[0], (*blob)[1], (*blob)[2], (*blob)[3]}), (Bytes{0xE8, 0x03, 0, 0}));
    EXPECT_EQ((*blob)[4], 0x78);  // zlib header
    EXPECT_LT(blob->size(), data.size());
    EXPECT_EQ(uncompressedData(*blob), data);

    auto empty = compressedData(Bytes{});
    ASSERT_TRUE(empty);
    EXPECT_EQ(uncompressedData(*empty), Bytes{});

    // Level 12 compresses as 9; -5 as 0, which stores the bytes uncompressed.
    EXPECT_EQ(compressedData(data, 12), compressedData(data, 9));
    auto stored = compressedData(data, -5);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored, compressedData(data, 0));
    EXPECT_GT(stored->size(), data.size());
    EXPECT_EQ(uncompressedData(*stored), data);

    EXPECT_EQ(uncompressedData(Bytes{0xE8, 0x03, 0, 0}), std::nullopt);
    Bytes damaged = *blob;
    damaged[10] ^= 0xFF;
    EXPECT_EQ(uncompressedData(damaged), std::nullopt);
    Bytes truncated(blob->begin(), blob->end() - 6);
    EXPECT_EQ(uncompressedData(truncated), std::nullopt);
    Bytes understated = *blob;
    understated[0] = 0xE7;  // states 999 bytes
    EXPECT_EQ(uncompressedData(understated), std::nullopt);
    Bytes huge = *blob;
    huge[3] = 0xFF;  // states about 4 GB: nothing is reserved for it, and the data comes back
    EXPECT_EQ(uncompressedData(huge), data);

    Bytes inPlace = data;
    ASSERT_TRUE(compress(inPlace));
    EXPECT_EQ(inPlace, *blob);
    ASSERT_TRUE(uncompress(inPlace));
    EXPECT_EQ(inPlace, data);
    EXPECT_FALSE(uncompress(inPlace));  // not a blob: left as it was
    EXPECT_EQ(inPlace, data);
}
