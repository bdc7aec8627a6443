#pragma once
// The search index's share of an archive: its size against the messages' text, and an archive
// prepared without it, so that scripts/bench can index the same transcripts with and without.
// Both work on the archive of the XDG folders in the environment.

namespace talv::bench {

// Creates the archive's schema and drops the search index and its triggers, at the version that
// has it, so that indexing writes no index.
bool prepareArchiveWithoutSearchIndex();

// Reports message_text_bytes (the UTF-8 bytes of every message) and search_index_bytes (the
// pages of the index's tables).
bool measureSearchIndexSize();

}  // namespace talv::bench
