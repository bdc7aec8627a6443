#pragma once
// User defaults: one XML property-list file per domain, "<domain>.plist" under
// Paths::preferences(). One process-wide instance per domain; every operation is thread-safe.
//
// Reads come from memory (the file is read on first use and at synchronize()). A change is
// written at once: under a lock on the preferences folder the file is re-read, the change
// applied, and the result written to a temporary file that is renamed over the old one, so
// readers never see half a file and changes of other processes to other keys are kept. A
// change whose write fails stays pending and is retried by synchronize().
//
// Lookups fall back to the registration domain, which lives in memory only.
// Observers run on the thread that made the change (or called synchronize()), after the
// change, and only when the key's effective value changed.
#include "platform/ObserverToken.h"
#include "platform/Value.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace talv {

class UserDefaults {
public:
    static constexpr std::string_view kApplicationDomain = "orvane.talvessa";

    // The application's own domain.
    static UserDefaults& standard();
    // Another program's domain ("com.apple.iChat", "orvane.updater", ...), or our own. Domain
    // names are compared without regard to case ("com.apple.ichat" is "com.apple.iChat"), and
    // so are the file names looked for.
    static UserDefaults& forDomain(std::string_view domain);

    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    const std::string& domain() const;
    std::filesystem::path filePath() const;

    // Initial values, consulted when the file has no value for a key; never written.
    void registerDefaults(const Value::Dictionary& initialValues);

    std::optional<Value> objectForKey(std::string_view key) const;
    // Typed reads: the fallback when the key is absent or its value does not convert.
    // Numbers and booleans convert into each other, and texts holding a number or
    // "YES"/"NO"/"true"/"false" convert to numbers and booleans.
    bool boolForKey(std::string_view key, bool fallback = false) const;
    std::int64_t integerForKey(std::string_view key, std::int64_t fallback = 0) const;
    double doubleForKey(std::string_view key, double fallback = 0) const;
    std::string stringForKey(std::string_view key, std::string_view fallback = {}) const;
    Value::Array arrayForKey(std::string_view key, Value::Array fallback = {}) const;
    Value::Dictionary dictionaryForKey(std::string_view key, Value::Dictionary fallback = {}) const;

    // A null value removes the key. False when the file could not be written (the change
    // is kept in memory and pending).
    bool setObject(std::string_view key, Value value);
    bool removeObjectForKey(std::string_view key);

    // Writes pending changes and re-reads the file. False when changes are still pending.
    bool synchronize();

    using Observer = std::function<void(const std::optional<Value>& newValue)>;
    [[nodiscard]] ObserverToken addObserver(std::string key, Observer observer);

private:
    struct State;
    explicit UserDefaults(std::string domain);
    std::shared_ptr<State> state_;
};

}  // namespace talv
