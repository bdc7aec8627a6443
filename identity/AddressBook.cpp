#include "identity/AddressBook.h"

#include "identity/VCardReader.h"
#include "platform/Log.h"

#include <glib.h>

#include <algorithm>
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

std::vector<CardFile> cardFiles(const fs::path& folder) {
    std::vector<CardFile> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code statError;
        if (!it->is_regular_file(statError) || !isCardFile(it->path())) continue;
        const auto size = it->file_size(statError);
        const auto modified = it->last_write_time(statError);
        if (!statError) files.push_back({it->path(), it->path().lexically_relative(folder).generic_string(), size, modified});
    }
    std::sort(files.begin(), files.end(), [](const CardFile& a, const CardFile& b) { return a.relativeName < b.relativeName; });
    return files;
}

bool sameHandle(std::string_view a, std::string_view b) {
    std::unique_ptr<gchar, decltype(&g_free)> fa(g_utf8_casefold(a.data(), static_cast<gssize>(a.size())), &g_free);
    std::unique_ptr<gchar, decltype(&g_free)> fb(g_utf8_casefold(b.data(), static_cast<gssize>(b.size())), &g_free);
    return std::strcmp(fa.get(), fb.get()) == 0;
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
        if (std::any_of(handles.begin(), handles.end(), [&](const std::string& h) { return sameHandle(h, handle); })) found.push_back(&card);
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
    return fs::path(g_get_user_data_dir()) / "Orvane" / "Talvessa" / "Contacts";
}

std::shared_ptr<AddressBook> AddressBook::shared() {
    static std::mutex mutex;
    static std::shared_ptr<AddressBook> book;  // guarded by mutex
    static std::vector<CardFile> readFiles;    // guarded by mutex
    static fs::path readFolder;                // guarded by mutex
    static std::string readMe;                 // guarded by mutex

    const fs::path currentFolder = folder();
    const std::string currentMe;
    std::vector<CardFile> currentFiles = cardFiles(currentFolder);
    std::lock_guard lock(mutex);
    if (!book || currentFolder != readFolder || currentMe != readMe || currentFiles != readFiles) {
        book = std::make_shared<AddressBook>(currentFolder, currentMe);
        readFolder = currentFolder;
        readMe = currentMe;
        readFiles = std::move(currentFiles);
    }
    return book;
}

}  // namespace talv
