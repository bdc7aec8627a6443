#pragma once
// Chats.HasMessageRows and Chats.HasParticipantRows: whether a chat has rows in Messages and in
// Participants, kept by triggers whoever writes (inserts, re-reads, deletions, rows moved to another
// chat, a chat row inserted after its messages). ChatsListIdx holds them beside the filters' columns
// and the duration, so that a filter lists its chats and their total duration from that index alone
// instead of probing Messages and Participants chat by chat. The flags exist only complete: made
// together with their triggers for a new file, or set for an existing one by one upgrade.
#include "store/FMDatabase.h"

namespace talv {

class ChatContentFlags {
public:
    // The archive's user_version once the flags exist.
    static constexpr int kSchemaVersion = 4;
    // The path spellings' upgrade this one follows. An archive at 3 holds the message-by-message
    // search index of earlier builds, which ChatTextIndex's upgrade then replaces.
    static constexpr int kPreviousSchemaVersion = 2;

    // Adds the columns, sets them from the stored rows, makes the index and the triggers.
    // REQUIRES: an open transaction. False when a statement failed.
    [[nodiscard]] static bool create(FMDatabase& db);

    // Once per archive, after the path spellings' upgrade: create() and user_version 4 in one
    // transaction, so that a failed upgrade leaves the archive as it was. True when the archive has
    // the flags (now or before); false, with a log line, when they could not be made or the archive
    // is not at version 2 yet.
    [[nodiscard]] static bool upgrade(FMDatabase& db);

    // Whether the columns (and so their triggers) exist.
    static bool exist(FMDatabase& db);
};

}  // namespace talv
