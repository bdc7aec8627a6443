#pragma once
// "MessagesText": an FTS5 trigram index over Messages.Message (external content, rowids only),
// which finds the candidate messages of a substring search without reading every message.
// Triggers on Messages keep it in step with every insert, re-read and deletion, whoever writes,
// inside the writer's own transaction and savepoint. A new message is first listed in
// "MessagesTextPending" and enters the index with others in one statement (indexPending): FTS5
// writes its pending terms to disk at every statement, so indexing message by message would cost
// three times as much as the whole archive's text in one go. Searches read both. The index exists
// only complete: it is made together with its triggers for a new file, or built for an existing
// one by one upgrade.
#include "store/FMDatabase.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace talv {

class MessageTextIndex {
public:
    // The archive's user_version once the index exists.
    static constexpr int kSchemaVersion = 3;
    // The path-spelling upgrade this one follows.
    static constexpr int kPreviousSchemaVersion = 2;

    // Called with the messages indexed so far and their number, at the start, at every batch
    // and at the end.
    using Progress = std::function<void(std::int64_t done, std::int64_t total)>;

    // Creates the table and its triggers. REQUIRES: an open transaction on a file whose Messages
    // table is empty, or a caller that fills the table itself. False when a statement failed.
    [[nodiscard]] static bool create(FMDatabase& db);

    // Once per archive, after the path-spelling upgrade: makes the index, indexes every stored
    // message in batches (reporting each) and sets user_version 3, all in one transaction, so that
    // a stopped upgrade leaves nothing. True when the archive has the index (now or before); false,
    // with a log line, when it could not be built or the archive is not at version 2 yet.
    [[nodiscard]] static bool upgrade(FMDatabase& db, const Progress& progress = {});

    // Whether the index exists (and so, with the pending messages, covers every message).
    static bool exists(FMDatabase& db);

    // Moves the pending messages into the index in one statement. True when they were moved, or
    // there is no index. REQUIRES: an open transaction (the pending list and the index change
    // together).
    [[nodiscard]] static bool indexPending(FMDatabase& db);

    // A statement selecting the rowids of Messages among which are all that `text` finds as
    // "Message LIKE '%text%'": the messages in the index holding each trigram of each run of at
    // least three characters between the LIKE wildcards "%" and "_", and the pending ones. None
    // when there is no such run (or the text is not UTF-8): the index cannot narrow that search.
    static std::optional<std::string> candidatesMatching(std::string_view text);
};

}  // namespace talv
