#include "identity/VCardReader.h"

#include "platform/Log.h"
#include "tests/identity/VCardFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace talv {
namespace {

using ::testing::ElementsAre;

TEST(VCardReader, ReadsAppleExportAndVCard4) {
    const auto apple = VCardReader::read(test::appleExport(), "export.vcf");
    ASSERT_EQ(apple.size(), 2u);
    const ABPerson& johnny = apple[0];
    EXPECT_EQ(johnny.uniqueId, "5A1C39B0-3C5D-4C8A-9B8B-6E8C1D2E3F40:ABPerson");
    EXPECT_EQ(johnny.firstName, "Johnny");
    EXPECT_EQ(johnny.lastName, "Appleseed");
    EXPECT_THAT(johnny.aimHandles, ElementsAre("JohnnyAIM"));
    EXPECT_THAT(johnny.jabberHandles, ElementsAre("johnny@jabber.example.org"));
    EXPECT_EQ(johnny.imageData, test::applePhoto());  // folded over many lines
    ASSERT_TRUE(johnny.modificationDate);
    EXPECT_DOUBLE_EQ(johnny.modificationDate->secondsSince1970, 1211894142.0);
    EXPECT_TRUE(apple[1].firstName.empty() && apple[1].formattedName.empty());
    EXPECT_THAT(apple[1].icqHandles, ElementsAre("123456"));

    const auto v4 = VCardReader::read(test::vcard4(), "kim.vcf");
    ASSERT_EQ(v4.size(), 1u);
    EXPECT_EQ(v4[0].uniqueId, "urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1:ABPerson");
    EXPECT_THAT(v4[0].jabberHandles, ElementsAre("Kim@Jabber.Example.org"));
    EXPECT_THAT(v4[0].icqHandles, ElementsAre("998877"));
    EXPECT_THAT(v4[0].aimHandles, ElementsAre("KimOnAim"));
    EXPECT_EQ(v4[0].imageData, (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    ASSERT_TRUE(v4[0].modificationDate);
    EXPECT_DOUBLE_EQ(v4[0].modificationDate->secondsSince1970, 1230865445.0);
}

TEST(VCardReader, ReadsOlderExportsAndServiceTypedHandles) {
    // vCard 2.1: bare parameters, quoted-printable Latin-1 with a soft break, base64 lines
    // without the folding space; Apple's later IMPP with X-SERVICE-TYPE; a UTF-16 file.
    const std::string v21 =
        "BEGIN:VCARD\r\nVERSION:2.1\r\n"
        "N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J=\r\n=F6rg\r\n"
        "PHOTO;JPEG;BASE64:\r\n/9j/4AAQ\r\nSkZJRg==\r\n\r\n"
        "IMPP;X-SERVICE-TYPE=ICQ;type=HOME:aim:424242\r\n"
        "IMPP;X-SERVICE-TYPE=Facebook:xmpp:someone@chat.facebook.com\r\n"
        "IMPP;X-SERVICE-TYPE=AIM:aim:goim?screenname=Some%20One\r\n"
        "END:VCARD\r\n";
    const auto cards = VCardReader::read(v21, "old.vcf");
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].lastName, "M\xC3\xBCller");
    EXPECT_EQ(cards[0].firstName, "J\xC3\xB6rg");
    EXPECT_EQ(cards[0].imageData, (Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'}));
    EXPECT_THAT(cards[0].icqHandles, ElementsAre("424242"));
    EXPECT_TRUE(cards[0].jabberHandles.empty());
    EXPECT_THAT(cards[0].aimHandles, ElementsAre("Some One"));

    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("BEGIN:VCARD\nN:Wide;Will;;;\nX-AIM:widewill\nEND:VCARD\n")) utf16 += std::string{c, '\0'};
    const auto wide = VCardReader::read(utf16, "wide.vcf");
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_THAT(wide[0].aimHandles, ElementsAre("widewill"));
}

TEST(VCardReader, SkipsDamagedCardsAndKeepsTheOthers) {
    LogCapture log;
    const auto cards = VCardReader::read(test::withDamagedCard(), "mixed.vcf");
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_THAT(cards[0].aimHandles, ElementsAre("goodone"));
    EXPECT_THAT(cards[1].aimHandles, ElementsAre("goodtwo"));
    EXPECT_TRUE(log.contains("vCard 2 of mixed.vcf is damaged"));

    // A card cut off by the next one, and one cut off by the end of the file.
    const auto cut = VCardReader::read("BEGIN:VCARD\nX-AIM:cut\nBEGIN:VCARD\nX-AIM:whole\nEND:VCARD\nBEGIN:VCARD\nX-AIM:tail\n", "cut.vcf");
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_THAT(cut[0].aimHandles, ElementsAre("whole"));

    // A damaged picture loses the picture, not the card.
    const auto photo = VCardReader::read("BEGIN:VCARD\nX-AIM:pic\nPHOTO;ENCODING=b:not*base64!\nEND:VCARD\n", "p.vcf");
    ASSERT_EQ(photo.size(), 1u);
    EXPECT_TRUE(photo[0].imageData.empty());

    EXPECT_TRUE(VCardReader::read("just some notes\nabout: people\n", "notes.vcf").empty());
    EXPECT_TRUE(VCardReader::read(std::string("\x89PNG\r\n\x1A\n\0\0", 10), "image.vcf").empty());
}

TEST(VCardReader, CardsWithoutAnIdGetAStableOne) {
    const auto first = VCardReader::read(test::withDamagedCard(), "mixed.vcf");
    const auto again = VCardReader::read(test::withDamagedCard(), "mixed.vcf");
    const auto elsewhere = VCardReader::read(test::withDamagedCard(), "other.vcf");
    EXPECT_EQ(first[0].uniqueId, "good-1:ABPerson");
    EXPECT_EQ(first[1].uniqueId, again[1].uniqueId);
    EXPECT_NE(first[1].uniqueId, elsewhere[1].uniqueId);
    EXPECT_EQ(first[1].uniqueId.size(), 36u + 9u);
    EXPECT_TRUE(first[1].uniqueId.ends_with(":ABPerson"));
}

TEST(ABPerson, FullNameFallsBackThroughNamesAndHandles) {
    ABPerson p;
    p.firstName = "Ada";
    p.lastName = "Lovelace";
    EXPECT_EQ(p.fullName(), "Ada Lovelace");
    p.lastName.clear();
    EXPECT_EQ(p.fullName(), "Ada");
    p.firstName.clear();
    p.lastName = "Lovelace";
    EXPECT_EQ(p.fullName(), "Lovelace");
    p.lastName.clear();
    p.icqHandles = {"111"};
    EXPECT_EQ(p.fullName(), "111");
    p.jabberHandles = {"ada@jabber.org", "second@jabber.org"};
    EXPECT_EQ(p.fullName(), "ada@jabber.org");
    p.aimHandles = {"AdaAIM"};
    EXPECT_EQ(p.fullName(), "AdaAIM");
    p.formattedName = "Countess of Lovelace";
    EXPECT_EQ(p.fullName(), "Countess of Lovelace");
    EXPECT_EQ(ABPerson{}.fullName(), "<Unknown Person>");
}

}  // namespace
}  // namespace talv
