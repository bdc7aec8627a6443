#include "display/TalTemplatizer.h"

#include "display/PictureFiles.h"
#include "platform/Log.h"
#include "platform/PrivateFiles.h"
#include "store/OrvaneExtras.h"
#include "platform/UserDefaults.h"
#include "tests/display/AnchorIDs.h"
#include "tests/display/PictureFixtures.h"
#include "tests/display/TranscriptFixture.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace talv {
namespace {

using test::chatBody;
using test::StoredMessage;
using test::withoutAnchorUUIDs;

class TalTemplatizerTest : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefaults::standard().removeObjectForKey("ChatDisplaySystemMessages");
        UserDefaults::standard().removeObjectForKey("ChatDisplayTimestamps");
        fixture.addIdentity("alice", "UUID-ALICE", "Alice");
        fixture.addIdentity("me", "UUID-ME", "Me");
        fixture.addIdentity("bob", "UUID-BOB", "Bob");
    }

    std::string render(const std::vector<StoredMessage>& messages, std::string_view search = "") {
        std::int64_t chat = fixture.addChat(messages);
        return chatBody(renderer.renderChat(chat, fixture.db(), fixture.cache(), search).value_or("<none>"));
    }

    test::TranscriptFixture fixture;
    TalTemplatizer renderer{fixture.writeMarkerStyle()};
};

TEST_F(TalTemplatizerTest, GroupsConsecutiveMessagesOfOneParticipant) {
    EXPECT_EQ(render({{"alice", "1"}, {"me", "2", true}, {"alice", "3"}}),
              "[IB Alice|1][IE][OB Me|2][OE][IB Alice|3][IE]");
    EXPECT_EQ(render({{"alice", "1"}, {"alice", "2"}, {"alice", "3"}}), "[IB Alice|1][IM 2][IM 3][IE]");
    // FromMe alone never opens a group; the group closes by the last row's FromMe.
    EXPECT_EQ(render({{"bob", "1"}, {"bob", "2", true}}), "[IB Bob|1][OM 2][OE]");
    // A hidden system message leaves the group open.
    EXPECT_EQ(render({{"alice", "1"}, {"", "went away"}, {"alice", "2"}}), "[IB Alice|1][IM 2][IE]");
    EXPECT_EQ(render({{"", "only system"}}), "");
    EXPECT_EQ(render({}), "");

    UserDefaults::standard().setObject("ChatDisplaySystemMessages", true);
    EXPECT_EQ(render({{"alice", "1"}, {"", "away"}, {"", "back"}, {"alice", "2"}}),
              "[IB Alice|1][IE][SB |away][SM back][SE][IB Alice|2][IE]");
}

TEST_F(TalTemplatizerTest, AnEmptyChatHasHeaderAndFooterAroundNothing) {
    std::int64_t chat = fixture.addChat({});
    std::string page = renderer.renderChat(chat, fixture.db(), fixture.cache(), "").value();
    EXPECT_NE(page.find("<H>\n<div id=\"Chat\">\n\n</div>\n<F>"), std::string::npos);
    // The base is the style's resource folder, as a folder URL.
    std::string base = "<base href=\"file://" + (fixture.folder() / "Marker.talStyle/Contents/Resources/").string() + "\">";
    EXPECT_NE(page.find(base), std::string::npos) << page;
}

TEST_F(TalTemplatizerTest, NoSelectionPage) {
    std::string page = renderer.renderChat(std::nullopt, fixture.db(), fixture.cache(), "x").value();
    EXPECT_EQ(chatBody(page), "[SB |No chat transcript is selected.][SE]");
}

TEST_F(TalTemplatizerTest, AMessageThatRendersToNothingIsLogged) {
    fs::path style = fixture.writeMarkerStyle();
    fs::remove(style / "Contents/Resources/Incoming/Begin.html");
    TalTemplatizer broken(style);
    LogCapture log;
    std::int64_t chat = fixture.addChat({{"alice", "lost"}, {"me", "kept", true}});
    EXPECT_EQ(chatBody(broken.renderChat(chat, fixture.db(), fixture.cache(), "").value()), "[IE][OB Me|kept][OE]");
    EXPECT_TRUE(log.contains("Cannot render the message 1 (lost)"));
}

TEST_F(TalTemplatizerTest, ExpandsTimeTags) {
    Value values = Value::Dictionary{{"message", "m"}, {"timestamp", Date{1700000000}}};  // 2023-11-14 17:13:20 EST
    const std::string fragment = "%time%|%time{%Y-%m-%d}%|%time{%H.%M}%|%time{}%|%message%|%time{%Y";
    EXPECT_EQ(renderer.expandTemplateTags(fragment, values, fixture.db(), fixture.cache()),
              "17:13|2023-11-14|17.13|%time{}%|m|%time{%Y");

    UserDefaults::standard().setObject("ChatDisplayTimestamps", false);
    EXPECT_EQ(renderer.expandTemplateTags(fragment, values, fixture.db(), fixture.cache()), "|||%time{}%|m|%time{%Y");
    UserDefaults::standard().setObject("ChatDisplayTimestamps", true);
    // Without a timestamp the time tags go as well.
    Value untimed = Value::Dictionary{{"message", "m"}};
    EXPECT_EQ(renderer.expandTemplateTags("%time%%time{%H}%%message%", untimed, fixture.db(), fixture.cache()), "m");
}

TEST_F(TalTemplatizerTest, EscapesMessagesAndSenderNames) {
    fixture.addIdentity("eve", "UUID-EVE", "<img src=x onerror=alert(1)>\"Eve\"");
    EXPECT_EQ(render({{"eve", "a<b \"q\" & %sender% %message%\r\nz"}}),
              "[IB &lt;img src=x onerror=alert(1)&gt;&quot;Eve&quot;|"
              "a&lt;b &quot;q&quot; &amp; %sender% %message%<br/><br/>z][IE]");
}

TEST_F(TalTemplatizerTest, InsertedValuesAreNeverReadForTags) {
    fixture.addIdentity("tricky", "UUID-TRICKY", "%message% %userIconPath%");
    EXPECT_EQ(render({{"tricky", "hi %time%"}}), "[IB %message% %userIconPath%|hi %time%][IE]");
}

TEST_F(TalTemplatizerTest, MarksLinksAddressesAndSearchText) {
    EXPECT_EQ(withoutAnchorUUIDs(render({{"alice", "Www.Example.com or ann@example.org, EXAMPLE"}}, "example")),
              "[IB Alice|"
              R"(<a id="_LINK-ID" href="http://Www.Example.com">Www.<a id="_TEXT-ID"><div class="highlighted_word">)"
              R"(Example</div></a>.com</a> or <a id="_EMAIL-ID" href="mailto:ann@example.org">ann@<a id="_TEXT-ID">)"
              R"(<div class="highlighted_word">example</div></a>.org</a>, <a id="_TEXT-ID">)"
              R"(<div class="highlighted_word">EXAMPLE</div></a>][IE])");
    // System messages are never marked.
    UserDefaults::standard().setObject("ChatDisplaySystemMessages", true);
    EXPECT_EQ(render({{"", "example"}}, "example"), "[SB |example][SE]");
}

TEST_F(TalTemplatizerTest, ShowsPicturesAsThumbnails) {
    struct Case {
        int width, height;
        const char* shown;
    };
    for (const Case& c : {Case{400, 200, R"(width="128" height="64")"}, Case{100, 300, R"(width="42" height="128")"},
                          Case{100, 100, R"(width="100" height="100")"}, Case{128, 128, R"(width="128" height="128")"}}) {
        const Bytes bytes = test::makePicture(c.width, c.height);
        std::int64_t picture = fixture.addImage(bytes, "p.png");
        std::string body = render({{"alice", "look", false, 0, picture}});
        fs::path file = writeInlinePictureForDisplay("p.png", bytes, *inspectPicture(bytes)).value();
        EXPECT_EQ(withoutAnchorUUIDs(body),
                  "[IB Alice|look<a id=\"_IMAGE-ID\" class=\"inherited_frame\" href=\"talvimage://" +
                      std::to_string(picture) + "\"><img src=\"file://" + file.string() + "\" " + c.shown +
                      " border=\"1\"></a>][IE]");
        EXPECT_TRUE(fs::exists(file));
    }
}

TEST_F(TalTemplatizerTest, PictureFailuresKeepTheText) {
    std::int64_t noData = fixture.addImage(std::nullopt, "a.png");
    std::int64_t garbage = fixture.addImage(Bytes{'n', 'o', 'p', 'e'}, "b.png");
    std::int64_t noName = fixture.addImage(test::makePicture(5, 5), std::nullopt);
    std::int64_t emptyName = fixture.addImage(test::makePicture(5, 5), "");
    EXPECT_EQ(render({{"alice", "1", false, 0, noData},
                      {"alice", "2", false, 0, garbage},
                      {"alice", "3", false, 0, noName},
                      {"alice", "4", false, 0, emptyName},
                      {"alice", "5", false, 0, 999}}),
              "[IB Alice|1][IM 2][IM 3][IM 4][IM 5][IE]");
}

TEST_F(TalTemplatizerTest, PictureFilesStayInsideTheTemporaryFolder) {
    const Bytes pictureBytes = test::makePicture(5, 5);
    std::int64_t picture = fixture.addImage(pictureBytes, "../../../etc/evil.png");
    const Bytes tiffBytes = test::makePicture(300, 150, "tiff");
    std::int64_t tiff = fixture.addImage(tiffBytes, "scan.tif");
    std::string body = render({{"alice", "a", false, 0, picture}, {"alice", "search evil", false, 0, tiff}}, "evil");
    fs::path safe = writeInlinePictureForDisplay("../../../etc/evil.png", pictureBytes, *inspectPicture(pictureBytes)).value();
    EXPECT_EQ(safe.parent_path(), privateTemporaryFolder());
    EXPECT_TRUE(safe.filename().string().ends_with("-.._.._.._etc_evil.png"));
    EXPECT_TRUE(fs::exists(safe));
    EXPECT_NE(body.find("src=\"file://" + safe.string() + "\""), std::string::npos) << body;
    // The search text inside the picture's file name is not marked; the one in the text is.
    std::string marks = withoutAnchorUUIDs(body);
    ASSERT_NE(marks.find("_TEXT-ID"), std::string::npos);
    EXPECT_EQ(marks.find("_TEXT-ID"), marks.rfind("_TEXT-ID"));
    // TIFF is shown through a PNG copy; the stored bytes stay as they are.
    fs::path converted = writeInlinePictureForDisplay("scan.tif", tiffBytes, *inspectPicture(tiffBytes)).value();
    EXPECT_TRUE(converted.filename().string().ends_with("-scan.tif.png"));
    EXPECT_NE(body.find("src=\"file://" + converted.string() + "\" width=\"128\" height=\"64\""), std::string::npos);
    EXPECT_EQ(fixture.db().imageWithID(tiff)->Data, tiffBytes);
}

TEST_F(TalTemplatizerTest, AReusedPictureIDShowsTheNewPicture) {
    std::int64_t picture = fixture.addImage(test::makePicture(10, 10), "p.png");
    std::string before = render({{"alice", "look", false, 0, picture}});
    // The chat is indexed again and its picture row now holds another picture.
    const Bytes replaced = test::makePicture(20, 10);
    ASSERT_EQ(fixture.db().db().executeUpdate("UPDATE Images SET Data = ? WHERE ROWID = ?;",
                                              {*compressedData(replaced), picture}),
              0);
    std::string after = render({{"alice", "look", false, 0, picture}});
    const std::size_t at = after.find("src=\"file://") + 12;
    const fs::path shown = after.substr(at, after.find('"', at) - at);
    EXPECT_EQ(test::readFile(shown), std::string(replaced.begin(), replaced.end()));
    EXPECT_NE(withoutAnchorUUIDs(before), withoutAnchorUUIDs(after));
}

TEST_F(TalTemplatizerTest, SenderPictures) {
    fs::path style = fixture.writeMarkerStyle();
    test::writeFile(style / "Contents/Resources/Incoming/Begin.html", "[%userIconPath%]");
    test::writeFile(style / "Contents/Resources/Outgoing/Begin.html", "[%userIconPath%]");
    test::writeFile(style / "Contents/Resources/Incoming/DefaultIcon.png", "in");
    test::writeFile(style / "Contents/Resources/Outgoing/DefaultIcon.png", "out");
    TalTemplatizer icons(style);
    fixture.addIdentity("pic", "ABCD:ABPerson", "Pic", test::makePicture(32, 32, "tiff"));
    std::int64_t chat = fixture.addChat({{"pic", "1"}, {"alice", "2"}, {"me", "3", true}});
    std::string body = chatBody(icons.renderChat(chat, fixture.db(), fixture.cache(), "").value());
    fs::path written = *privateTemporaryFolder() / "Tal_UserIcon_ABCDABPerson.png";
    EXPECT_EQ(body, "[file://" + written.string() + "][IE][file://" +
                        (style / "Contents/Resources/Incoming/DefaultIcon.png").string() + "][IE][file://" +
                        (style / "Contents/Resources/Outgoing/DefaultIcon.png").string() + "][OE]");
    EXPECT_TRUE(fs::exists(written));
}

TEST_F(TalTemplatizerTest, AnchorIdsChangeAtEveryRender) {
    std::int64_t chat = fixture.addChat({{"alice", "www.example.com"}});
    std::string first = renderer.renderChat(chat, fixture.db(), fixture.cache(), "").value();
    std::string second = renderer.renderChat(chat, fixture.db(), fixture.cache(), "").value();
    EXPECT_NE(first, second);
    EXPECT_EQ(withoutAnchorUUIDs(first), withoutAnchorUUIDs(second));
}

}  // namespace
}  // namespace talv
