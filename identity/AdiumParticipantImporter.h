#pragma once
// Reads Adium's contact list ("blist.xml") for the names its buddies are shown by: the alias
// the user gave them, else the nickname their server reports. One importer per call and thread.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace talv {

struct AdiumContact {
    std::optional<std::string> participant;  // the buddy's screen name
    std::string name;                         // alias, else server nickname; never empty
    bool operator==(const AdiumContact&) const = default;
};

class AdiumParticipantImporter {
public:
    // The buddies with a display name from the Default user's list: "libgaim/blist.xml", or
    // "libpurple/blist.xml" (Adium 1.0.3 and later) when the first does not exist. Empty when
    // neither exists.
    std::vector<AdiumContact> importParticipants();
    // The same from one file; a file that is not well-formed yields the buddies completed
    // before the first fatal error.
    std::vector<AdiumContact> importParticipants(const std::filesystem::path& file);

private:
    struct ContactFields {
        std::optional<std::string> participant;
        std::optional<std::string> name;
    };
    struct ExpatHandlers;
    friend struct ExpatHandlers;

    void startElement(const char* name, const char** attributes);
    void endElement(const char* name);
    void characters(const char* data, int length);
    std::string bufferText() const;

    std::vector<AdiumContact> result;
    ContactFields currentContact;
    std::string currentBuffer;  // character data as it came; bufferText() trims it
    bool inContact = false;
    bool inServerName = false;
};

}  // namespace talv
