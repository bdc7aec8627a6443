#pragma once
// A transcript store in a fresh folder and the process's identity cache emptied, filled row by row, and a small
// message style whose fragments show plainly which fragment rendered what.
#include "identity/TalvCacheDatabase.h"
#include "platform/Value.h"
#include "store/TalvDatabase.h"
#include "tests/support/TestEnvironment.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace talv::test {

struct StoredMessage {
    std::string participant;  // empty: a system message
    std::string text;
    bool fromMe = false;
    double timestamp = 0;
    std::optional<std::int64_t> pictureID = {};
};

class TranscriptFixture {
public:
    TranscriptFixture();

    TalvDatabase& db() { return *db_; }
    TalvCacheDatabase& cache() { return *cache_; }

    std::int64_t addChat(const std::vector<StoredMessage>& messages);
    std::int64_t addImage(const std::optional<Bytes>& data, const std::optional<std::string>& fileName);
    // An identity cache row for a handle.
    void addIdentity(const std::string& handle, const std::string& uuid, const std::string& name,
                     const std::optional<Bytes>& picture = std::nullopt);

    // A style whose fragments read "[IB %sender%|%message%]", "[IM ...]", "[IE]" and so on for
    // Incoming, Outgoing (O) and System (S), header "<H>" and footer "<F>".
    std::filesystem::path writeMarkerStyle();
    const std::filesystem::path& folder() const { return dir_.path(); }

private:
    TempDir dir_;
    std::optional<TalvDatabase> db_;
    std::optional<TalvCacheDatabase> cache_;
};

// The rendered messages of a page: what the skeleton holds between its header and footer.
std::string chatBody(const std::string& page);

}  // namespace talv::test
