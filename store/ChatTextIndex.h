#pragma once
// "ChatsText": an FTS5 trigram index with one document per chat (its rowid is the chat's ID), made of
// the texts of the chat's messages that have a sender, ASCII letters lowered as LIKE folds them. It
// finds the chats a substring search may list without reading every message; for a text of exactly
// three characters it finds exactly the chats LIKE finds.
//
// The index is contentless, so a chat's document is taken out by giving its text again. Each
// message's text enters the document as "\1\1<text>\1\1", so that the document's trigrams are the
// same whatever the order of its messages. Triggers on Messages list a chat in "ChatsTextPending",
// with the document the index holds for it, before its first message changes; indexPending() takes
// those documents out and puts the listed chats' new ones in, in one statement each, which the store
// runs before a pass commits. Searches test the pending chats themselves. The index exists only
// complete: it is made together with its triggers for a new file, or built for an existing one by
// one upgrade.
#include "store/FMDatabase.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace talv {

class ChatTextIndex {
public:
    // The archive's user_version once the index exists.
    static constexpr int kSchemaVersion = 5;
    // The chats' content flags' upgrade this one follows.
    static constexpr int kPreviousSchemaVersion = 4;

    // Called with the chats indexed so far and their number, at the start, at every batch and at
    // the end.
    using Progress = std::function<void(std::int64_t done, std::int64_t total)>;

    // Creates the table and its triggers. REQUIRES: an open transaction on a file whose Messages
    // table is empty, or a caller that fills the index itself. False when a statement failed.
    [[nodiscard]] static bool create(FMDatabase& db);

    // Once per archive, after the content flags' upgrade: removes the message-by-message index of
    // earlier builds, makes this one, indexes every chat in batches (reporting each) and sets
    // user_version 5, all in one transaction, so that a stopped upgrade leaves nothing. True when the
    // archive has the index (now or before); false, with a log line, when it could not be built or
    // the archive is not at version 4 yet.
    [[nodiscard]] static bool upgrade(FMDatabase& db, const Progress& progress = {});

    // Whether the index exists (and so, with the pending chats, covers every chat).
    static bool exists(FMDatabase& db);

    // Takes the documents of the pending chats out and puts their new ones in, one statement each.
    // True when they were indexed, or there is no index; on failure, with `error` set to SQLite's
    // message, they stay pending and searches still read them.
    [[nodiscard]] static bool indexPending(FMDatabase& db, std::string& error);

    // How a search text narrows the chats.
    struct Candidates {
        // A statement selecting the IDs of the indexed chats, not pending, that hold each trigram of
        // each run of at least three characters between the LIKE wildcards "%" and "_": among them
        // and the pending chats are all chats with a message that has a sender and passes
        // "Message LIKE '%text%'".
        std::string indexedChats;
        // Whether the indexed chats pass without reading their messages: a text of exactly three
        // characters, none a wildcard or "\1". The pending chats always need the test.
        bool exact = false;
    };
    // None when the text has no such run (or is not UTF-8): the index cannot narrow that search.
    static std::optional<Candidates> candidatesMatching(std::string_view text);
    // A statement selecting the IDs of the pending chats.
    static constexpr const char* kPendingChats = "SELECT ChatID FROM ChatsTextPending";
};

}  // namespace talv
