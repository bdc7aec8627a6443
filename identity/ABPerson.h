#pragma once
// One card of the address book, with the properties the identity cache reads.
#include "platform/Date.h"
#include "platform/Value.h"

#include <optional>
#include <string>
#include <vector>

namespace talv {

enum class ABInstantProperty { AIM, Jabber, ICQ };

struct ABPerson {
    std::string uniqueId;                  // ends in ":ABPerson" for a person card
    bool isPerson = true;                  // false for a group card
    std::string firstName;                 // empty when the card has none
    std::string lastName;
    std::string formattedName;             // FN
    std::optional<Date> modificationDate;  // REV
    std::vector<std::string> aimHandles;
    std::vector<std::string> jabberHandles;
    std::vector<std::string> icqHandles;
    Bytes imageData;                       // empty when the card has no picture

    const std::vector<std::string>& handles(ABInstantProperty property) const;
    // The name shown for the card: first and last name, else the formatted name, else its
    // first AIM, Jabber or ICQ handle, else the localised "<Unknown Person>".
    std::string fullName() const;
};

}  // namespace talv
