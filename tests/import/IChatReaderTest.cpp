// Transcripts written as iChat lays them out, in both archive formats, read into chat records
// and written to a real store.
#include "import/IChatReader.h"
#include "platform/AttributedString.h"
#include "platform/Log.h"
#include "store/IdentityServices.h"
#include "store/TalvDatabase.h"
#include "tests/support/TestEnvironment.h"
#include "tools/IChatTranscript.h"
#include "tools/KeyedArchiveWriter.h"

#include <gtest/gtest.h>

using namespace talv;
using namespace talv::tools;

namespace {

const IChatPresentity Alice{"AIM", "alice"};
const IChatPresentity Bob{"AIM", "bob"};
const Date Start{1150000000.0};

Date at(double minutes) { return Start.addingSeconds(minutes * 60); }

IChatMessage say(const IChatPresentity& who, double minute, AttributedString text, std::uint32_t flags = IChatFlagRead) {
    return {who, at(minute), std::move(text), flags};
}
IChatMessage say(const IChatPresentity& who, double minute, std::string_view text, std::uint32_t flags = IChatFlagRead) {
    return say(who, minute, AttributedString(text), flags);
}
IChatMessage systemLine(double minute, std::string_view text) { return {std::nullopt, at(minute), AttributedString(text), IChatFlagRead}; }

AttributedString concat(std::initializer_list<AttributedString> parts) {
    AttributedString result;
    for (const auto& part : parts) result.append(part);
    return result;
}

const Bytes Png{0x89, 'P', 'N', 'G', 1, 2, 3};

// Runs a check over the same transcript written as ".ichat", ".chat" and big-endian ".chat".
class BothFormats : public ::testing::Test {
protected:
    template <typename Check>
    void forEachFormat(const IChatTranscript& transcript, Check check) {
        struct Format {
            const char* name;
            Bytes bytes;
        };
        for (Format format : {Format{"chat.ichat", writeKeyedTranscript(transcript)},
                              Format{"chat.chat", writeTypedStreamTranscript(transcript)},
                              Format{"big-endian.chat", writeTypedStreamTranscript(transcript, true)}}) {
            SCOPED_TRACE(format.name);
            auto path = (dir / format.name).string();
            test::writeFile(path, std::string_view(reinterpret_cast<const char*>(format.bytes.data()), format.bytes.size()));
            auto chat = IChatReader::readChatFile(path);
            ASSERT_TRUE(chat.has_value());
            check(*chat, path);
        }
    }
    test::TempDir dir;
};

std::vector<std::string> messageTexts(const ChatRecord& chat) {
    std::vector<std::string> texts;
    for (const auto& message : chat.Messages) texts.push_back(message.Message);
    return texts;
}

class PlainNames : public IdentityServices {
public:
    std::string participantName(const std::string& handle) override { return handle; }
    void removeCachedChat(std::int64_t) override {}
};

}  // namespace

TEST_F(BothFormats, ParticipantsSendersTimesAndEndDates) {
    IChatTranscript chat;
    chat.participants = {Alice, Bob, IChatPresentity{"AIM", std::nullopt}};
    chat.messages = {say(Alice, 0, "hi bob"), say(Bob, 1.5, "hello"), say(IChatPresentity{"AIM", "carol"}, 2, "me too"),
                     systemLine(3, "bob went away"), systemLine(4, "bob came back")};
    forEachFormat(chat, [](const ChatRecord& record, const std::string&) {
        EXPECT_EQ(record.Kind, "iChat");
        EXPECT_EQ(record.Participants, (std::vector<std::string>{"alice", "bob", "carol"}));
        ASSERT_EQ(record.Messages.size(), 5u);
        EXPECT_EQ(record.Messages[1].Sender, "bob");
        EXPECT_EQ(record.Messages[3].Sender, "");
        EXPECT_EQ(record.Messages[1].Timestamp, at(1.5));
        EXPECT_EQ(record.StartDate, at(0));
        EXPECT_EQ(record.EndDate, at(2));  // trailing system lines do not end the chat
        EXPECT_FALSE(record.HasHyperlinks || record.HasEmails || record.HasPictures);
    });

    IChatTranscript onlySystem;
    onlySystem.participants = {Alice};
    onlySystem.messages = {systemLine(0, "a"), systemLine(5, "b")};
    forEachFormat(onlySystem, [](const ChatRecord& record, const std::string&) {
        EXPECT_EQ(record.StartDate, at(0));
        EXPECT_EQ(record.EndDate, at(0));
    });

    IChatTranscript empty;
    empty.participants = {Alice};
    Date before = Date::now();
    forEachFormat(empty, [before](const ChatRecord& record, const std::string&) {
        EXPECT_TRUE(record.Messages.empty());
        ASSERT_TRUE(record.StartDate.has_value());
        EXPECT_GE(*record.StartDate, before);
        EXPECT_EQ(record.EndDate, record.StartDate);
    });
}

TEST_F(BothFormats, FlagsDecideWhichMessagesAreReadAndWhoSentThem) {
    IChatTranscript chat;
    chat.participants = {Alice};
    chat.messages = {say(Alice, 0, "hidden", 0x9), say(Alice, 1, "unread", 0x0), say(Alice, 2, "theirs", 0x1),
                     say(Alice, 3, "mine", 0x5), say(IChatPresentity{"AIM", "/Users/me/Library/carol"}, 4, "path", 0x21),
                     say(IChatPresentity{"AIM", "a/b"}, 5, "no path bit", 0x1)};
    forEachFormat(chat, [](const ChatRecord& record, const std::string&) {
        EXPECT_EQ(messageTexts(record), (std::vector<std::string>{"theirs", "mine", "path", "no path bit"}));
        EXPECT_FALSE(record.Messages[0].FromMe);
        EXPECT_TRUE(record.Messages[1].FromMe);
        EXPECT_EQ(record.Messages[2].Sender, "carol");
        EXPECT_EQ(record.Messages[3].Sender, "a/b");
        EXPECT_EQ(record.Participants, (std::vector<std::string>{"alice", "carol", "a/b"}));
    });
}

TEST_F(BothFormats, LinkRunsBecomeTheirAddressesAndPicturesAreFlagged) {
    IChatTranscript chat;
    chat.participants = {Alice, Bob};
    chat.messages = {
        say(Alice, 0, concat({AttributedString(std::string_view("read ")), linkedText("this page", "http://example.com/a?b=1"),
                              AttributedString(std::string_view(" now"))})),
        say(Bob, 1, concat({linkedText("pic", "http://example.com/p"), inlineFile(Png, "photo.png", "/tmp/x/photo.png")})),
        say(Bob, 2, concat({AttributedString(std::string_view("look ")), inlineFile(Png, "bare.png", std::nullopt)})),
        say(Alice, 3, "plain"),
    };
    forEachFormat(chat, [](const ChatRecord& record, const std::string&) {
        ASSERT_EQ(record.Messages.size(), 4u);
        EXPECT_EQ(record.Messages[0].Message, "read http://example.com/a?b=1 now");
        EXPECT_TRUE(record.HasHyperlinks);
        EXPECT_EQ(record.Messages[1].Message, "http://example.com/p\xEF\xBF\xBC");
        EXPECT_TRUE(record.Messages[1].InlineImage);  // right after a link run
        EXPECT_TRUE(record.Messages[2].InlineImage);  // marked by its attachment alone
        EXPECT_FALSE(record.Messages[3].InlineImage);
        EXPECT_TRUE(record.HasPictures);
        // The record keeps the text as archived: the link still covers its words.
        ASSERT_TRUE(record.Messages[0].RichData);
        EXPECT_EQ(record.Messages[0].RichData->utf8(), "read this page now");
    });
}

TEST_F(BothFormats, SystemLineTemplatesAndAddressesInThem) {
    IChatTranscript chat;
    chat.participants = {Alice};
    chat.messages = {systemLine(0, "%@ joined; mail admin@example.com"), systemLine(1, "%@ is away, 100%% sure"), systemLine(1, "%d then %@"),
                     say(Alice, 2, "no address here")};
    forEachFormat(chat, [](const ChatRecord& record, const std::string&) {
        EXPECT_EQ(record.Messages[0].Message, "alice joined; mail admin@example.com");
        EXPECT_EQ(record.Messages[1].Message, "alice is away, 100% sure");
        EXPECT_EQ(record.Messages[2].Message, "%d then %@");  // the handle is not a number: kept as written
        EXPECT_FALSE(record.HasEmails);  // addresses in system lines do not count
    });

    chat.messages.push_back(say(Alice, 3, "write to bob@example.org"));
    forEachFormat(chat, [](const ChatRecord& record, const std::string&) { EXPECT_TRUE(record.HasEmails); });
}

TEST_F(BothFormats, PatternsAreSearchedIn2048CharacterWindows) {
    IChatTranscript chat;
    chat.participants = {Alice};
    std::string straddling = std::string(2040, 'x') + " someone@example.com";  // crosses the first border
    std::string second = std::string(2100, 'y') + " see www.example.com/x";      // wholly in the second window
    chat.messages = {say(Alice, 0, straddling), say(Alice, 1, second)};
    forEachFormat(chat, [](const ChatRecord& record, const std::string&) {
        EXPECT_FALSE(record.HasEmails);
        EXPECT_TRUE(record.HasHyperlinks);
    });
}

TEST_F(BothFormats, ScannedChatsReachTheStoreWithTheirPictures) {
    PlainNames names;
    auto db = TalvDatabase::openAt(dir.path() / "db", &names);
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->createTablesAsNeeded());
    IChatTranscript chat;
    chat.participants = {Alice, Bob};
    chat.messages = {say(Alice, 0, "first"), say(Bob, 1, concat({inlineFile(Png, "bare.png", std::nullopt)})),
                     say(Bob, 2, inlineFile(Png, "named.png", "/x/y/shot.png"))};
    forEachFormat(chat, [&](const ChatRecord&, const std::string& path) {
        ASSERT_TRUE(IChatReader::scanChatFile(path, *db));
        auto rs = db->db().executeQuery(
            "SELECT Messages, Participants, HasPictures, Subject, ROWID FROM Chats WHERE FilePath = ?;", {path});
        ASSERT_TRUE(rs && rs->next());
        EXPECT_EQ(rs->intForColumn("Messages"), 3);
        EXPECT_EQ(rs->stringForColumn("Participants"), "alice, bob");
        EXPECT_EQ(rs->intForColumn("HasPictures"), 1);
        EXPECT_EQ(rs->stringForColumn("Subject"), "first");
        std::int64_t chatID = rs->intForColumn("ROWID");
        rs->close();
        auto images = db->db().executeQuery("SELECT Filename FROM Images WHERE ChatID = ? ORDER BY ROWID;", {chatID});
        std::vector<std::string> names;
        while (images && images->next()) names.push_back(images->stringForColumn("Filename").value_or("?"));
        EXPECT_EQ(names, (std::vector<std::string>{"bare.png", "shot.png"}));

        LogCapture log;
        ASSERT_TRUE(IChatReader::scanChatFile(path, *db));  // unchanged: skipped
        auto again = db->db().executeQuery("SELECT COUNT(*) AS n FROM Images WHERE ChatID = ?;", {chatID});
        ASSERT_TRUE(again && again->next());
        EXPECT_EQ(again->intForColumn("n"), 2);
    });
}

TEST(IChatReader, DamagedFilesAreLoggedAndSkipped) {
    test::TempDir dir;
    IChatTranscript chat;
    chat.participants = {Alice};
    chat.messages = {say(Alice, 0, "hello there")};
    Bytes keyed = writeKeyedTranscript(chat), typed = writeTypedStreamTranscript(chat);
    auto write = [&](const std::string& name, const Bytes& bytes, std::size_t length) {
        auto path = (dir / name).string();
        test::writeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), std::min(length, bytes.size())));
        return path;
    };

    LogCapture log;
    EXPECT_FALSE(IChatReader::readChatFile(write("cut.ichat", keyed, keyed.size() / 2)));
    EXPECT_TRUE(log.contains("NSKeyedUnarchiver exception - "));
    EXPECT_FALSE(IChatReader::readChatFile(write("cut.chat", typed, typed.size() - 3)));
    EXPECT_TRUE(log.contains("NSUnarchiver exception - "));
    EXPECT_FALSE(IChatReader::readChatFile(write("empty.chat", typed, 0)));
    EXPECT_FALSE(IChatReader::readChatFile((dir / "missing.ichat").string()));
    EXPECT_EQ(log.lines().size(), 4u);

    log.clear();
    EXPECT_FALSE(IChatReader::readChatFile(write("chat.ICHAT", keyed, keyed.size())));  // other extension
    // A decodable archive whose root is not iChat's list is skipped without a line.
    KeyedArchiveWriter writer;
    Uid root = writer.encodeArray({writer.encodeString("AIM"), writer.encodeString("")});
    Bytes shortList = writer.finish({{"root", root}});
    EXPECT_FALSE(IChatReader::readChatFile(write("short.ichat", shortList, shortList.size())));
    EXPECT_TRUE(log.lines().empty());
    EXPECT_TRUE(IChatReader::readChatFile(write("whole.ichat", keyed, keyed.size())));
}

TEST(IChatReader, ToleratesWhatRealKeyedFilesHold) {
    test::TempDir dir;
    KeyedArchiveWriter w;
    // A name stored as a mutable string with direction marks (UTF-16 in the property list).
    Uid marked = w.encodeObject("Presentity", {"NSObject"},
                                {{"ID", w.encodeMutableString("\xE2\x80\xAA" "d\xC3\xA9jà" "\xE2\x80\xAC")},
                                 {"ServiceName", w.encodeString("AIM")}});
    Uid plain = w.encodeObject("Presentity", {"NSObject"}, {{"ID", w.encodeString("alice")}});
    auto message = [&](Uid sender, double minute, Uid text, std::int64_t flags) {
        return w.encodeObject("InstantMessage", {"NSObject"},
                              {{"Sender", sender}, {"Time", w.encodeDate(at(minute))}, {"MessageText", text}, {"Flags", flags}});
    };
    // No attributes at all; an attachment without a file wrapper; a file transfer item.
    Uid bare = w.encodeObject("NSMutableAttributedString", {"NSAttributedString", "NSObject"}, {{"NSString", w.encodeString("bare")}});
    Uid emptyAttachment = w.encodeAttributedString(
        AttributedString(std::u16string(1, u'\xFFFC'), {{std::string(AttachmentAttributeName), TextAttachment{}}}));
    Uid transfer = w.encodeObject("FileTransferChatItem", {"ChatItem", "NSObject"}, {{"GUID", w.encodeString("x")}});
    Uid messages = w.encodeArray({message(plain, 0, bare, 1), transfer, message(marked, 1, emptyAttachment, 1)});
    Uid root = w.encodeArray({w.encodeString("AIM"), w.encodeString(""), messages, w.encodeArray({marked, plain})});
    Bytes bytes = w.finish({{"root", root}, {"metadata", w.encodeDictionary({})}});
    auto path = (dir / "real.ichat").string();
    test::writeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));

    auto chat = IChatReader::readChatFile(path);
    ASSERT_TRUE(chat);
    EXPECT_EQ(chat->Participants, (std::vector<std::string>{"\xE2\x80\xAA" "d\xC3\xA9jà" "\xE2\x80\xAC", "alice"}));
    ASSERT_EQ(chat->Messages.size(), 2u);
    EXPECT_EQ(chat->Messages[0].Message, "bare");
    EXPECT_FALSE(chat->Messages[1].InlineImage);  // an attachment without contents is no picture
    EXPECT_EQ(chat->EndDate, at(1));
}
