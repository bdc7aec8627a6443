#include "identity/AdiumParticipantImporter.h"

#include "tests/support/TestEnvironment.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace talv {
namespace {

using ::testing::ElementsAre;

AdiumContact contact(std::string participant, std::string name) { return {std::move(participant), std::move(name)}; }

// A libpurple list as Adium writes it, with the cases the importer must tell apart.
const char* const kList = R"(<?xml version='1.0' encoding='UTF-8' ?>

<purple version='1.0'>
	<blist>
		<group name='Buddies'>
			<setting name='collapsed' type='bool'>0</setting>
			<contact alias='Contact Level Alias'>
				<buddy account='me@example.com/' proto='prpl-jabber'>
					<name>all.three@example.com</name>
					<alias>Alias Wins</alias>
					<setting name='servernick' type='string'>Server Nick</setting>
					<setting name='last_seen' type='int'>1309294525</setting>
				</buddy>
				<setting name='gtk-mute-sound' type='bool'>0</setting>
			</contact>
			<contact>
				<buddy account='MyAIM' proto='prpl-aim'>
					<name>nickonly</name>
					<setting name='ServerNick' type='string'>Nick &amp; Name</setting>
				</buddy>
				<buddy account='MyAIM' proto='prpl-aim'>
					<name>emptynick</name>
					<setting name='servernick' type='string'></setting>
				</buddy>
				<buddy account='MyAIM' proto='prpl-aim'>
					<name>SameAlias</name>
					<alias>SameAlias</alias>
				</buddy>
				<buddy account='MyAIM' proto='prpl-aim'>
					<name>casealias</name>
					<alias>CaseAlias</alias>
				</buddy>
				<buddy account='MyAIM' proto='prpl-aim'>
					<name>nothing</name>
				</buddy>
				<buddy account='MyAIM' proto='prpl-aim'>
					<name>twolines</name>
					<alias>Anna
						Maria</alias>
				</buddy>
				<buddy account='MyAIM' proto='prpl-aim'>
					<name>spaced</name>
					<alias>  Jo   Lee  </alias>
				</buddy>
				<buddy account='MyAIM' proto='prpl-aim'>
					<name>emptyalias</name>
					<alias></alias>
				</buddy>
			</contact>
			<chat proto='prpl-jabber' account='me@example.com/'>
				<component name='room'>lounge</component>
				<setting name='servernick' type='string'>Not A Buddy</setting>
			</chat>
		</group>
	</blist>
</purple>
)";

TEST(AdiumParticipantImporter, TakesAliasElseServerNicknameOfBuddiesWithAName) {
    test::TempDir dir;
    test::writeFile(dir / "blist.xml", kList);
    AdiumParticipantImporter importer;
    EXPECT_THAT(importer.importParticipants(dir / "blist.xml"),
                ElementsAre(contact("all.three@example.com", "Alias Wins"), contact("nickonly", "Nick & Name"),
                            contact("casealias", "CaseAlias"), contact("twolines", "AnnaMaria"), contact("spaced", "Jo   Lee")));
}

TEST(AdiumParticipantImporter, ReadsRealListsAndStopsAtTheFirstFatalError) {
    AdiumParticipantImporter importer;
    EXPECT_TRUE(importer.importParticipants(test::corpusDir() / "blist/jimregan-dotfiles/.purple/blist.xml").empty());
    EXPECT_TRUE(importer.importParticipants(test::homeDir() / "no such file.xml").empty());

    test::TempDir dir;
    test::writeFile(dir / "cut.xml",
                    "<gaim version='1.0'><blist><group><contact>"
                    "<buddy><name>first</name><alias>First Buddy</alias></buddy>"
                    "<buddy><name>second</name><alias>Second</ali");
    EXPECT_THAT(importer.importParticipants(dir / "cut.xml"), ElementsAre(contact("first", "First Buddy")));
}

TEST(AdiumParticipantImporter, PrefersTheLibgaimListAndFallsBackToLibpurple) {
    const fs::path user = test::homeDir() / "Library/Application Support/Adium 2.0/Users/Default";
    fs::remove_all(user);
    AdiumParticipantImporter importer;
    EXPECT_TRUE(importer.importParticipants().empty());

    test::writeFile(user / "libpurple/blist.xml", "<purple><blist><buddy><name>new</name><alias>Newer</alias></buddy></blist></purple>");
    EXPECT_THAT(importer.importParticipants(), ElementsAre(contact("new", "Newer")));

    test::writeFile(user / "libgaim/blist.xml", "<gaim><blist><buddy><name>old</name><alias>Older</alias></buddy></blist></gaim>");
    EXPECT_THAT(importer.importParticipants(), ElementsAre(contact("old", "Older")));
    fs::remove_all(user);
}

}  // namespace
}  // namespace talv
