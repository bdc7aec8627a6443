#pragma once
// Lays generated chats out under a home folder the way the real clients did: iChat ".ichat"
// files in dated folders and older ".chat" files in "Documents/iChats", Adium HTML logs and XML
// ".chatlog" files (file and folder form) under Adium's "Logs", Fire logs under its "Sessions".
// Every chat gets a file of its own; a file that cannot be written raises std::runtime_error.
#include "tools/ArchiveContent.h"

#include <filesystem>
#include <vector>

namespace talv::tools {

struct WrittenArchive {
    int files = 0;
    std::vector<std::filesystem::path> transcripts;  // one per chat, in the content's order, all different
    std::filesystem::path iChatFolder, adiumUserFolder, fireFolder;
};

WrittenArchive writeArchive(const std::filesystem::path& home, const ArchiveContent& content);

}  // namespace talv::tools
