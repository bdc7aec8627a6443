#include "identity/AddressBook.h"

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "tests/identity/VCardFixtures.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>

namespace fs = std::filesystem;

namespace talv {
namespace {

std::vector<std::string> ids(const std::vector<const ABPerson*>& cards) {
    std::vector<std::string> out;
    for (const auto* c : cards) out.push_back(c->uniqueId);
    return out;
}

TEST(AddressBook, SearchesTheCardsOfAFolder) {
    test::TempDir dir;
    test::writeFile(dir / "Apple Export.vcf", test::appleExport());
    test::writeFile(dir / "carddav/kim.VCF", test::vcard4());
    test::writeFile(dir / "mixed.vcf", test::withDamagedCard());
    test::writeFile(dir / "notes.txt", "BEGIN:VCARD\nX-AIM:notacard\nEND:VCARD\n");
    test::writeFile(dir / ".DS_Store", std::string("\0\0\0\1Bud1", 8));

    LogCapture log;
    AddressBook book(dir.path(), "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0:ABPerson");
    EXPECT_EQ(book.records().size(), 5u);
    EXPECT_TRUE(log.contains("is damaged"));

    const std::string johnny = "5A1C39B0-3C5D-4C8A-9B8B-6E8C1D2E3F40:ABPerson";
    EXPECT_EQ(ids(book.recordsWithHandle(ABInstantProperty::AIM, "johnnyaim")), std::vector<std::string>{johnny});
    EXPECT_EQ(ids(book.recordsWithHandle(ABInstantProperty::Jabber, "JOHNNY@Jabber.Example.ORG")), std::vector<std::string>{johnny});
    EXPECT_TRUE(book.recordsWithHandle(ABInstantProperty::Jabber, "johnnyaim").empty());
    EXPECT_TRUE(book.recordsWithHandle(ABInstantProperty::AIM, "notacard").empty());
    EXPECT_EQ(book.recordsWithHandle(ABInstantProperty::ICQ, "998877").size(), 1u);
    EXPECT_EQ(ids(book.recordsWithUniqueId(johnny)), std::vector<std::string>{johnny});
    EXPECT_TRUE(book.recordsWithUniqueId("5a1c39b0-3c5d-4c8a-9b8b-6e8c1d2e3f40:ABPerson").empty());

    ASSERT_NE(book.me(), nullptr);
    EXPECT_EQ(book.me()->icqHandles, std::vector<std::string>{"123456"});
    EXPECT_EQ(AddressBook(dir.path(), "").me(), nullptr);
    EXPECT_EQ(AddressBook(dir.path(), "gone:ABPerson").me(), nullptr);
    EXPECT_TRUE(AddressBook(dir / "missing", "").records().empty());
}

TEST(AddressBook, SharedBookFollowsItsFilesAndSettings) {
    const fs::path standard = Paths::applicationSupport() / "Contacts";
    fs::remove_all(standard);
    EXPECT_TRUE(AddressBook::shared()->records().empty());

    test::writeFile(standard / "a.vcf", test::vcard4());
    const auto first = AddressBook::shared();
    EXPECT_EQ(first->records().size(), 1u);
    EXPECT_EQ(AddressBook::shared(), first);  // unchanged files are not read again

    test::writeFile(standard / "b.vcf", test::appleExport());
    EXPECT_EQ(AddressBook::shared()->records().size(), 3u);
    EXPECT_EQ(first->records().size(), 1u);  // a book in use stays as it was read

    // Subfolders are followed: one made later, then a card in it rewritten in place.
    test::writeFile(standard / "work" / "c.vcf", test::vcard4());
    EXPECT_EQ(AddressBook::shared()->records().size(), 4u);
    test::writeFile(standard / "work" / "c.vcf", test::appleExport());
    EXPECT_EQ(AddressBook::shared()->records().size(), 5u);
    fs::remove_all(standard / "work");
    EXPECT_EQ(AddressBook::shared()->records().size(), 3u);

    UserDefaults::standard().setObject("AddressBookMeCard", "urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1:ABPerson");
    ASSERT_NE(AddressBook::shared()->me(), nullptr);
    EXPECT_EQ(AddressBook::shared()->me()->firstName, "Kim");
    UserDefaults::standard().removeObjectForKey("AddressBookMeCard");

    test::TempDir elsewhere;
    test::writeFile(elsewhere / "only.vcf", test::withDamagedCard());
    UserDefaults::standard().setObject("AddressBookFolder", elsewhere.path().string());
    EXPECT_EQ(AddressBook::shared()->records().size(), 2u);
    UserDefaults::standard().removeObjectForKey("AddressBookFolder");
    EXPECT_EQ(AddressBook::shared()->records().size(), 3u);
    fs::remove_all(standard);
}

class PictureInbox : public ABImageClient {
public:
    void consumeImageData(const Bytes& data, int tag) override {
        std::lock_guard lock(mutex_);
        pictures_[tag] = data;
        arrived_.notify_all();
    }
    std::map<int, Bytes> waitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        arrived_.wait(lock, [&] { return pictures_.size() >= count; });
        return pictures_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::map<int, Bytes> pictures_;
};

TEST(AddressBook, DeliversPicturesLaterToClientsStillThere) {
    test::TempDir dir;
    test::writeFile(dir / "a.vcf", test::appleExport());
    AddressBook book(dir.path(), "");
    auto inbox = std::make_shared<PictureInbox>();
    const int withPicture = book.beginLoadingImageData(book.records()[0], inbox);
    const int without = book.beginLoadingImageData(book.records()[1], inbox);
    EXPECT_NE(withPicture, without);
    const auto pictures = inbox->waitFor(2);
    EXPECT_EQ(pictures.at(withPicture), test::applePhoto());
    EXPECT_TRUE(pictures.at(without).empty());

    auto gone = std::make_shared<PictureInbox>();
    book.beginLoadingImageData(book.records()[0], gone);
    gone.reset();  // delivery to a client that went away is skipped, not a crash
    book.beginLoadingImageData(book.records()[0], inbox);
    EXPECT_EQ(inbox->waitFor(3).size(), 3u);
}

}  // namespace
}  // namespace talv
