#pragma once
// Paths that earlier builds stored under another spelling of the same folder (relative to the
// working folder of the time, through a symbolic link, with "." or ".."), as the scan now
// spells every path: canonical (Paths::canonical).
#include "store/IdentityServices.h"
#include "store/TalvDatabase.h"

namespace talv {

// Rewrites every chat's file path and every folder timestamp's path to its canonical spelling,
// once per archive (it then carries user_version 2), in one transaction. Rows that several
// spellings of one file stored are merged into the earliest chat, which stays deleted when any
// of them was; the others go with their participants, messages, pictures and cached rows. A
// folder keeps the latest of its timestamps. Relative paths are taken from the working folder.
// Returns the number of chats merged away. REQUIRES: the tables exist.
int adoptCanonicalPathSpellings(TalvDatabase& store, IdentityServices& identities);

}  // namespace talv
