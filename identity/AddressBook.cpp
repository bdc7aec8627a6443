#include "identity/AddressBook.h"

#include "identity/CaseInsensitive.h"
#include "identity/VCardReader.h"
#include "platform/FolderWatcher.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"

#include <glib.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>

namespace fs = std::filesystem;

namespace talv {
namespace {

struct CardFile {
    fs::path path;
    std::string relativeName;  // seeds the IDs of cards without one, so it ignores where the folder is
    std::uintmax_t size;
    fs::file_time_type modified;
    bool operator==(const CardFile&) const = default;
};

bool isCardFile(const fs::path& path) {
    const std::string ext = path.extension().string();
    return g_ascii_strcasecmp(ext.c_str(), ".vcf") == 0 || g_ascii_strcasecmp(ext.c_str(), ".vcard") == 0;
}

// The card files below `folder`, by name. With a watcher, the folder and each subfolder are watched
// before they are listed, so a change made while listing is reported; a folder that cannot be
// watched (it is missing) makes the watcher report an error at every check.
std::vector<CardFile> cardFiles(const fs::path& folder, FolderWatcher* watcher = nullptr) {
    std::vector<CardFile> files;
    if (watcher) watcher->watch(folder.string());
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code statError;
        if (watcher && it->is_directory(statError)) watcher->watch(it->path().string());
        if (!it->is_regular_file(statError) || !isCardFile(it->path())) continue;
        const auto size = it->file_size(statError);
        const auto modified = it->last_write_time(statError);
        if (!statError) files.push_back({it->path(), it->path().lexically_relative(folder).generic_string(), size, modified});
    }
    std::sort(files.begin(), files.end(), [](const CardFile& a, const CardFile& b) { return a.relativeName < b.relativeName; });
    return files;
}

}  // namespace

AddressBook::AddressBook(const fs::path& folder, std::string meUniqueId) : meUniqueId_(std::move(meUniqueId)) {
    for (const CardFile& file : cardFiles(folder)) {
        std::ifstream in(file.path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        if (!in) {
            logf("Could not read the card file {}", file.path.string());
            continue;
        }
        for (ABPerson& card : VCardReader::read(bytes.str(), file.relativeName)) records_.push_back(std::move(card));
    }
}

const ABPerson* AddressBook::me() const {
    if (meUniqueId_.empty()) return nullptr;
    const auto found = recordsWithUniqueId(meUniqueId_);
    return found.empty() ? nullptr : found.front();
}

std::vector<const ABPerson*> AddressBook::recordsWithHandle(ABInstantProperty property, std::string_view handle) const {
    std::vector<const ABPerson*> found;
    for (const ABPerson& card : records_) {
        const auto& handles = card.handles(property);
        if (std::any_of(handles.begin(), handles.end(), [&](const std::string& h) { return equalsIgnoringCase(h, handle); })) found.push_back(&card);
    }
    return found;
}

std::vector<const ABPerson*> AddressBook::recordsWithUniqueId(std::string_view uniqueId) const {
    std::vector<const ABPerson*> found;
    for (const ABPerson& card : records_)
        if (card.uniqueId == uniqueId) found.push_back(&card);
    return found;
}

int AddressBook::beginLoadingImageData(const ABPerson& person, std::weak_ptr<ABImageClient> client) {
    return loader_.beginLoading(person.imageData, std::move(client));
}

fs::path AddressBook::folder() {
    const std::string configured = UserDefaults::standard().stringForKey("AddressBookFolder");
    return configured.empty() ? Paths::applicationSupport() / "Contacts" : fs::path(Paths::expandTilde(configured));
}

std::shared_ptr<AddressBook> AddressBook::shared() {
    struct Snapshot {
        std::mutex mutex;
        std::shared_ptr<AddressBook> book;  // guarded by mutex, with what it was read from:
        fs::path folder;
        std::string me;
        std::vector<CardFile> files;
        std::unique_ptr<FolderWatcher> watcher;  // changes since the files were listed
    };
    static Snapshot last;

    fs::path currentFolder = folder();
    std::string currentMe = UserDefaults::standard().stringForKey("AddressBookMeCard");
    std::lock_guard lock(last.mutex);
    const bool settingsChanged = currentFolder != last.folder || currentMe != last.me;
    if (last.book && !settingsChanged && last.watcher) {
        const FolderWatcher::Events events = last.watcher->wait(std::chrono::milliseconds(0));
        if (events.changedFolders.empty() && !events.error) return last.book;
    }
    last.watcher = std::make_unique<FolderWatcher>();
    std::vector<CardFile> currentFiles = cardFiles(currentFolder, last.watcher.get());
    if (!last.book || settingsChanged || currentFiles != last.files) {
        last.book = std::make_shared<AddressBook>(currentFolder, currentMe);
        last.folder = std::move(currentFolder);
        last.me = std::move(currentMe);
        last.files = std::move(currentFiles);
    }
    return last.book;
}

}  // namespace talv
