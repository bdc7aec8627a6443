#include "platform/UserDefaults.h"

#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/Paths.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace talv {
namespace {

// Holds an exclusive flock on the preferences folder, so that read-merge-write cycles of
// several processes do not interleave.
class FolderLock {
public:
    explicit FolderLock(const fs::path& folder) : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ >= 0) flock(fd_, LOCK_EX);
    }
    ~FolderLock() {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_;
};

std::optional<double> numberInText(const std::string& text) {
    const char* start = text.c_str();
    char* end = nullptr;
    double d = g_ascii_strtod(start, &end);
    if (end == start) return std::nullopt;
    return d;
}

std::optional<bool> boolInText(const std::string& text) {
    if (!g_ascii_strcasecmp(text.c_str(), "YES") || !g_ascii_strcasecmp(text.c_str(), "true")) return true;
    if (!g_ascii_strcasecmp(text.c_str(), "NO") || !g_ascii_strcasecmp(text.c_str(), "false")) return false;
    if (auto n = numberInText(text)) return *n != 0;
    return std::nullopt;
}

}  // namespace

struct UserDefaults::State {
    explicit State(std::string d) : domain(std::move(d)) {}

    struct Registration {
        std::string key;
        Observer observer;
        std::atomic<bool> active{true};  // false once removed, even while a notification is on its way
    };
    using Notification = std::pair<std::shared_ptr<Registration>, std::optional<Value>>;

    const std::string domain;
    mutable std::mutex mutex;
    mutable bool loaded = false;                       // guarded by mutex
    mutable Value::Dictionary stored;                  // guarded by mutex; the file plus pending
    Value::Dictionary registered;                      // guarded by mutex
    std::map<std::string, std::optional<Value>, std::less<>> pending;  // guarded by mutex; none = removal
    std::map<std::uint64_t, std::shared_ptr<Registration>> observers;  // guarded by mutex
    std::uint64_t nextObserver = 1;                    // guarded by mutex

    // Domains are matched without regard to case, as on the case-insensitive disks the files
    // come from: "com.apple.ichat" finds "com.apple.iChat.plist".
    fs::path file() const {
        fs::path exact = Paths::preferences() / (domain + ".plist");
        std::error_code ec;
        if (fs::exists(exact, ec)) return exact;
        for (const FolderEntry& entry : FileSystem::local().listFolder(exact.parent_path(), ec))
            if (g_ascii_strcasecmp(entry.name.c_str(), exact.filename().c_str()) == 0) return exact.parent_path() / entry.name;
        return exact;
    }

    const Value* effective(std::string_view key) const {
        if (auto it = stored.find(key); it != stored.end()) return &it->second;
        if (auto it = registered.find(key); it != registered.end()) return &it->second;
        return nullptr;
    }

    // REQUIRES: mutex held.
    void ensureLoaded() const {
        if (loaded) return;
        loaded = true;
        fs::path path = file();
        if (!fs::exists(path)) return;
        FolderLock lock(path.parent_path());
        stored = readFile(path);
    }

    // The file's dictionary; a file that is not a property-list dictionary is moved aside
    // (kept for the user) and counts as empty. REQUIRES: folder lock held.
    Value::Dictionary readFile(const fs::path& path) const {
        gchar* contents = nullptr;
        gsize length = 0;
        if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) return {};
        std::optional<Value> root = Value::fromPlist(std::string_view(contents, length));
        g_free(contents);
        if (root && root->asDictionary()) return std::move(*root->asDictionary());
        fs::path aside = path;
        aside += ".damaged";
        std::error_code ec;
        fs::rename(path, aside, ec);
        logf("Preferences file {} is not a property list; kept as {}", path.string(), aside.string());
        return {};
    }

    // Re-reads the file, applies the pending changes and writes them. Returns the observers
    // to tell, with their keys' new values. REQUIRES: mutex held.
    std::vector<Notification> synchronizeLocked() {
        ensureLoaded();
        Value::Dictionary before = stored;
        Value::Dictionary beforeRegistered = registered;
        fs::path path = file();
        std::error_code ec;
        if (!pending.empty()) fs::create_directories(path.parent_path(), ec);
        {
            std::optional<FolderLock> lock;
            if (fs::is_directory(path.parent_path(), ec)) lock.emplace(path.parent_path());
            Value::Dictionary merged = readFile(path);
            for (const auto& [key, value] : pending) {
                if (value) merged.insert_or_assign(key, *value);
                else if (auto it = merged.find(key); it != merged.end()) merged.erase(it);
            }
            if (!pending.empty() && write(path, merged)) pending.clear();
            stored = std::move(merged);
        }
        return changesSince(before, beforeRegistered);
    }

    bool write(const fs::path& path, const Value::Dictionary& contents) const {
        std::string xml = Value(contents).toXmlPlist();
        GError* error = nullptr;
        if (g_file_set_contents_full(path.c_str(), xml.data(), static_cast<gssize>(xml.size()),
                                     G_FILE_SET_CONTENTS_CONSISTENT, 0600, &error))
            return true;
        logf("Preferences file {} cannot be written: {}", path.string(), error ? error->message : "");
        g_clear_error(&error);
        return false;
    }

    // Called without the mutex, so observers may use the defaults.
    static void tell(const std::vector<Notification>& notes) {
        for (const auto& [registration, value] : notes)
            if (registration->active) registration->observer(value);
    }

    // REQUIRES: mutex held.
    std::vector<Notification> changesSince(const Value::Dictionary& oldStored,
                                           const Value::Dictionary& oldRegistered) const {
        std::vector<Notification> notes;
        for (const auto& [id, registration] : observers) {
            const std::string& key = registration->key;
            const Value* now = effective(key);
            const Value* then = nullptr;
            if (auto it = oldStored.find(key); it != oldStored.end()) then = &it->second;
            else if (auto it2 = oldRegistered.find(key); it2 != oldRegistered.end()) then = &it2->second;
            bool same = now && then ? *now == *then : now == then;
            if (!same) notes.emplace_back(registration, now ? std::optional(*now) : std::nullopt);
        }
        return notes;
    }
};

UserDefaults::UserDefaults(std::string domain) : state_(std::make_shared<State>(std::move(domain))) {}

UserDefaults& UserDefaults::standard() {
    static UserDefaults& instance = forDomain(kApplicationDomain);
    return instance;
}

UserDefaults& UserDefaults::forDomain(std::string_view domain) {
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<UserDefaults>, std::less<>> instances;  // by lower-case domain
    std::string key(domain);
    for (char& c : key) c = g_ascii_tolower(c);
    std::lock_guard lock(mutex);
    auto it = instances.find(key);
    if (it == instances.end())
        it = instances.emplace(key, std::unique_ptr<UserDefaults>(new UserDefaults(std::string(domain)))).first;
    return *it->second;
}

const std::string& UserDefaults::domain() const { return state_->domain; }

fs::path UserDefaults::filePath() const { return state_->file(); }

void UserDefaults::registerDefaults(const Value::Dictionary& initialValues) {
    std::vector<State::Notification> notes;
    {
        std::lock_guard lock(state_->mutex);
        state_->ensureLoaded();
        Value::Dictionary before = state_->registered;
        for (const auto& [key, value] : initialValues) state_->registered.insert_or_assign(key, value);
        notes = state_->changesSince(state_->stored, before);
    }
    State::tell(notes);
}

std::optional<Value> UserDefaults::objectForKey(std::string_view key) const {
    std::lock_guard lock(state_->mutex);
    state_->ensureLoaded();
    if (const Value* v = state_->effective(key)) return *v;
    return std::nullopt;
}

bool UserDefaults::boolForKey(std::string_view key, bool fallback) const {
    auto v = objectForKey(key);
    if (!v) return fallback;
    if (auto text = v->asText()) return boolInText(*text).value_or(fallback);
    return v->boolOr(fallback);
}

std::int64_t UserDefaults::integerForKey(std::string_view key, std::int64_t fallback) const {
    auto v = objectForKey(key);
    if (!v) return fallback;
    if (auto text = v->asText()) {
        auto n = numberInText(*text);
        return n ? static_cast<std::int64_t>(*n) : fallback;
    }
    return v->integerOr(fallback);
}

double UserDefaults::doubleForKey(std::string_view key, double fallback) const {
    auto v = objectForKey(key);
    if (!v) return fallback;
    if (auto text = v->asText()) return numberInText(*text).value_or(fallback);
    return v->realOr(fallback);
}

std::string UserDefaults::stringForKey(std::string_view key, std::string_view fallback) const {
    auto v = objectForKey(key);
    return v ? v->textOr(fallback) : std::string(fallback);
}

Value::Array UserDefaults::arrayForKey(std::string_view key, Value::Array fallback) const {
    auto v = objectForKey(key);
    if (v && v->asArray()) return std::move(*v->asArray());
    return fallback;
}

Value::Dictionary UserDefaults::dictionaryForKey(std::string_view key, Value::Dictionary fallback) const {
    auto v = objectForKey(key);
    if (v && v->asDictionary()) return std::move(*v->asDictionary());
    return fallback;
}

bool UserDefaults::setObject(std::string_view key, Value value) {
    std::vector<State::Notification> notes;
    bool written = false;
    {
        std::lock_guard lock(state_->mutex);
        state_->ensureLoaded();
        std::optional<Value> change;
        if (!value.isNull()) change = std::move(value);
        state_->pending.insert_or_assign(std::string(key), std::move(change));
        notes = state_->synchronizeLocked();
        written = state_->pending.empty();
    }
    State::tell(notes);
    return written;
}

bool UserDefaults::removeObjectForKey(std::string_view key) { return setObject(key, Value()); }

bool UserDefaults::synchronize() {
    std::vector<State::Notification> notes;
    bool written = false;
    {
        std::lock_guard lock(state_->mutex);
        notes = state_->synchronizeLocked();
        written = state_->pending.empty();
    }
    State::tell(notes);
    return written;
}

ObserverToken UserDefaults::addObserver(std::string key, Observer observer) {
    std::lock_guard lock(state_->mutex);
    std::uint64_t id = state_->nextObserver++;
    auto registration = std::make_shared<State::Registration>();
    registration->key = std::move(key);
    registration->observer = std::move(observer);
    state_->observers.emplace(id, registration);
    return ObserverToken([weak = std::weak_ptr<State>(state_), id, registration] {
        registration->active = false;
        if (auto state = weak.lock()) {
            std::lock_guard lock(state->mutex);
            state->observers.erase(id);
        }
    });
}

}  // namespace talv
