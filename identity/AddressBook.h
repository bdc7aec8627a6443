#pragma once
// The user's address book: every card of the vCard files (".vcf", ".vcard") in a folder and
// its subfolders. Immutable once read, so one instance may be searched from any thread.
#include "identity/ABImageLoader.h"
#include "identity/ABPerson.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

class AddressBook {
public:
    // Reads the cards of `folder`; a missing folder is an empty book. `meUniqueId` names the
    // user's own card (empty: there is none).
    AddressBook(const std::filesystem::path& folder, std::string meUniqueId);

    // The book of the configured folder and own card, read again whenever a card file or
    // either setting changed since the last call. The folder is watched (inotify), so an
    // unchanged book costs no walk of the folder. Thread-safe.
    static std::shared_ptr<AddressBook> shared();
    // The configured folder: the user default "AddressBookFolder", else
    // $XDG_DATA_HOME/Orvane/Talvessa/Contacts.
    static std::filesystem::path folder();

    const std::vector<ABPerson>& records() const { return records_; }
    // The user's own card, or nullptr.
    const ABPerson* me() const;
    // Cards listing `handle` under `property`, compared ignoring letter case, in folder order.
    std::vector<const ABPerson*> recordsWithHandle(ABInstantProperty property, std::string_view handle) const;
    // Cards whose unique ID equals `uniqueId` exactly.
    std::vector<const ABPerson*> recordsWithUniqueId(std::string_view uniqueId) const;

    // Starts loading the card's picture for `client`; answers the tag the picture will carry.
    int beginLoadingImageData(const ABPerson& person, std::weak_ptr<ABImageClient> client);

private:
    std::vector<ABPerson> records_;
    std::string meUniqueId_;
    ABImageLoader loader_;
};

}  // namespace talv
