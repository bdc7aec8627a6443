#pragma once
// Reads the cards of one vCard file as address books export them (vCard 2.1, 3.0 and 4.0:
// folded lines, parameters, escaped values, quoted-printable text, base64 and data: pictures,
// UTF-8 with or without a byte-order mark, UTF-16 with one).
#include "identity/ABPerson.h"

#include <string_view>
#include <vector>

namespace talv {

class VCardReader {
public:
    // The cards of `bytes` in file order. `source` names the file in log lines and seeds the
    // unique ID of a card that carries none, so it must stay the same between runs. A damaged
    // card is skipped with a log line and the others are read; text that holds no vCard yields
    // nothing.
    static std::vector<ABPerson> read(std::string_view bytes, std::string_view source);
};

}  // namespace talv
