#include "browse/FilterEntries.h"
#include "import/AdiumLogParser.h"
#include "import/AdiumXMLLogParser.h"
#include "import/FireXMLLogParser.h"
#include "import/IChatReader.h"
#include "tests/support/TestEnvironment.h"
#include "tools/ArchiveWriter.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <set>

#include <cmath>
#include <cstdio>

namespace fs = std::filesystem;
using namespace talv;
using namespace talv::tools;

namespace {

ArchiveOptions smallArchive(std::vector<TranscriptFormat> formats) {
    ArchiveOptions o;
    o.seed = 7;
    o.people = 6;
    o.chats = 24;
    o.messagesPerChat = 8;
    o.pictureShare = o.linkShare = o.emailShare = 0.5;
    o.now = Date{1796000000};  // 2026-11-30, a Monday
    o.formats = std::move(formats);
    return o;
}

std::optional<ChatRecord> readBack(const fs::path& path) {
    const std::string ext = path.extension().string();
    if (ext == ".ichat" || ext == ".chat") return IChatReader::readChatFile(path.string());
    if (ext == ".chatlog") return AdiumXMLLogParser().parseLogFile(path);
    if (ext == ".xhtml") return FireXMLLogParser().parseLogFile(path);
    return AdiumLogParser().parseLogFile(path);
}

// Only iChat transcripts give the archive their pictures.
bool carriesPictures(const fs::path& path) {
    const std::string ext = path.extension().string();
    return ext == ".ichat" || ext == ".chat";
}

std::string contentsOf(const fs::path& root) {
    std::string all;
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) all += fs::relative(f, root).string() + "\n" + test::readFile(f);
    return all;
}

// iChat stores a link as a link attribute on its text; the reader puts the link's URL in its place.
std::string textAsRead(const GeneratedMessage& m, const fs::path& path) {
    const std::string ext = path.extension().string();
    if (m.link.rfind("www.", 0) != 0 || (ext != ".ichat" && ext != ".chat")) return m.text;
    std::string text = m.text;
    return text.replace(text.find(m.link), m.link.size(), "http://" + m.link);
}

// What the generator meant, against what the reader read, message by message.
void expectSameChat(const GeneratedChat& meant, const ChatRecord& read, const fs::path& path) {
    SCOPED_TRACE(path.string());
    std::vector<const MessageRecord*> spoken;
    for (const auto& m : read.Messages)
        if (!m.Sender.empty()) spoken.push_back(&m);
    std::vector<const GeneratedMessage*> expected;
    for (const auto& m : meant.messages)
        if (!m.isStatus) expected.push_back(&m);
    ASSERT_EQ(spoken.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(spoken[i]->Sender, expected[i]->senderHandle);
        EXPECT_EQ(spoken[i]->FromMe, expected[i]->fromMe) << i;
        ASSERT_TRUE(spoken[i]->Timestamp);
        EXPECT_EQ(std::floor(spoken[i]->Timestamp->secondsSince1970), expected[i]->time.secondsSince1970);
        if (expected[i]->pictureSeed) EXPECT_NE(spoken[i]->Message.find(expected[i]->text), std::string::npos);
        else EXPECT_EQ(spoken[i]->Message, textAsRead(*expected[i], path));
    }
    bool links = false, emails = false, pictures = false;
    for (const auto& m : meant.messages) {
        links |= m.hasLink;
        emails |= m.hasEmail;
        pictures |= m.pictureSeed.has_value();
    }
    EXPECT_EQ(read.HasHyperlinks, links);
    EXPECT_EQ(read.HasEmails, emails);
    EXPECT_EQ(read.HasPictures, pictures && carriesPictures(path));
    // Logs name their participants by the messages they sent.
    for (const auto* m : expected)
        EXPECT_NE(std::find(read.Participants.begin(), read.Participants.end(), m->senderHandle), read.Participants.end());
}

class ArchiveGenerator : public ::testing::TestWithParam<TranscriptFormat> {};

std::string formatName(const ::testing::TestParamInfo<TranscriptFormat>& info) {
    static const char* names[] = {"IChatKeyed", "IChatTypedstream", "AdiumHtml", "AdiumXmlFile", "AdiumXmlFolder", "Fire"};
    return names[static_cast<int>(info.param)];
}

}  // namespace

TEST_P(ArchiveGenerator, TheReadersReadBackWhatTheGeneratorMeant) {
    test::TempDir dir;
    const ArchiveContent content = generateArchiveContent(smallArchive({GetParam()}));
    const WrittenArchive written = writeArchive(dir.path(), content);
    ASSERT_EQ(written.transcripts.size(), content.chats.size());
    for (std::size_t i = 0; i < content.chats.size(); ++i) {
        auto record = readBack(written.transcripts[i]);
        ASSERT_TRUE(record) << written.transcripts[i];
        expectSameChat(content.chats[i], *record, written.transcripts[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, ArchiveGenerator,
                         ::testing::Values(TranscriptFormat::IChatKeyed, TranscriptFormat::IChatTypedstream,
                                           TranscriptFormat::AdiumHtml, TranscriptFormat::AdiumXmlFile,
                                           TranscriptFormat::AdiumXmlFolder, TranscriptFormat::Fire),
                         formatName);

TEST(ArchiveGeneratorFiles, TheSameSeedWritesTheSameFilesAndIndependentToolsParseThem) {
    test::TempDir one, two;
    const ArchiveOptions options = smallArchive(ArchiveOptions().formats);
    writeArchive(one.path(), generateArchiveContent(options));
    writeArchive(two.path(), generateArchiveContent(options));
    EXPECT_EQ(contentsOf(one.path()), contentsOf(two.path()));

    int checked = 0;
    for (const auto& e : fs::recursive_directory_iterator(one.path())) {
        if (!e.is_regular_file()) continue;
        const std::string ext = e.path().extension().string();
        std::string command;
        if (ext == ".ichat") command = "plistutil -i '" + e.path().string() + "' -o /dev/null";
        else if (ext == ".xml" || ext == ".chatlog" || ext == ".xhtml") command = "xmllint --noout '" + e.path().string() + "'";
        else continue;
        gint status = 0;
        std::string quoted = "sh -c \"" + command + "\"";
        ASSERT_TRUE(g_spawn_command_line_sync(quoted.c_str(), nullptr, nullptr, &status, nullptr));
        EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr)) << command;
        ++checked;
    }
    EXPECT_GT(checked, 10);
}

TEST(ArchiveGeneratorFiles, EveryChatGetsAFileOfItsOwn) {
    test::TempDir dir;
    ArchiveOptions options = smallArchive({TranscriptFormat::IChatKeyed, TranscriptFormat::Fire});
    options.people = 1;
    options.chats = 200;
    options.messagesPerChat = 1;
    options.spanDays = 1;  // many chats of one person in one day: some start in the same minute
    const WrittenArchive written = writeArchive(dir.path(), generateArchiveContent(options));
    EXPECT_EQ(std::set<fs::path>(written.transcripts.begin(), written.transcripts.end()).size(), 200u);
    EXPECT_EQ(written.files, 200);
}

TEST(ArchiveGeneratorFiles, EveryDateRangeOfTheChatsListHasChats) {
    for (double now : {1796000000.0, 1796100000.0 + 5 * 86400, 1798675200.0 /* Jan 1 */, 1767225599.0}) {
        ArchiveOptions options = smallArchive(ArchiveOptions().formats);
        options.now = Date{now};
        options.chats = 40;
        const ArchiveContent content = generateArchiveContent(options);
        for (const Value& entry : whenFilterEntries(Date{now})) {
            const std::string criteria = entry.find("criteria")->textOr("");
            if (criteria.empty()) continue;
            double from = 0, to = 0;
            ASSERT_EQ(std::sscanf(criteria.c_str(), "(Chats.DateStarted BETWEEN %lf AND %lf)", &from, &to), 2);
            const bool any = std::any_of(content.chats.begin(), content.chats.end(), [&](const GeneratedChat& c) {
                return c.start.secondsSince1970 >= from && c.start.secondsSince1970 <= to;
            });
            EXPECT_TRUE(any) << entry.find("title")->textOr("") << " at " << now;
        }
    }
}
