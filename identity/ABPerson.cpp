#include "identity/ABPerson.h"

#include "platform/Strings.h"

namespace talv {

const std::vector<std::string>& ABPerson::handles(ABInstantProperty property) const {
    switch (property) {
    case ABInstantProperty::AIM: return aimHandles;
    case ABInstantProperty::Jabber: return jabberHandles;
    case ABInstantProperty::ICQ: return icqHandles;
    }
    return aimHandles;
}

std::string ABPerson::fullName() const {
    if (!firstName.empty() && !lastName.empty()) return firstName + " " + lastName;
    if (!firstName.empty()) return firstName;
    if (!lastName.empty()) return lastName;
    if (!formattedName.empty()) return formattedName;
    for (const auto* list : {&aimHandles, &jabberHandles, &icqHandles})
        if (!list->empty()) return list->front();
    return tr("<Unknown Person>");
}

}  // namespace talv
