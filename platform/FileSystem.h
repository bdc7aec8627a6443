#pragma once
// The file-system operations of the transcript scan: list a folder, examine an entry, read a
// file. The scan and the readers do all their file access through one FileSystem, so that tests
// can give them one that fails or blocks. Implementations are thread-safe.
#include "platform/Date.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace talv {

enum class FileType { Regular, Folder, Other };

struct FileInfo {
    FileType type = FileType::Other;
    std::uint64_t size = 0;
    Date modified;                // content last changed
    Date statusChanged;           // content, name, links or permissions last changed
    std::optional<Date> created;  // where the file system keeps a birth time
};

struct FolderEntry {
    std::string name;
    bool isFolder = false;  // a real folder, not a link to one
};

// An open file, read from the start to the end. Used by one thread at a time.
class SequentialFile {
public:
    virtual ~SequentialFile() = default;
    // Fills `buffer` from the current position: the count read, 0 at the end, none on an error
    // (set in `ec`).
    virtual std::optional<std::size_t> read(std::span<char> buffer, std::error_code& ec) = 0;
};

// The error of an entry that is not a regular file where one is read.
std::error_code notRegularFileError();

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The machine's own file system.
    static const FileSystem& local();

    // The entries of `folder` in the order the file system gives them; an error in `ec` (a
    // folder that does not exist gives no_such_file_or_directory).
    virtual std::vector<FolderEntry> listFolder(const std::filesystem::path& folder, std::error_code& ec) const = 0;
    // What `path` names, symbolic links followed; none with an error in `ec`.
    virtual std::optional<FileInfo> stat(const std::filesystem::path& path, std::error_code& ec) const = 0;
    // Opens a regular file for reading. The type is checked before anything is read and the
    // open never blocks: a FIFO, a device or a folder is refused with notRegularFileError().
    virtual std::unique_ptr<SequentialFile> openForReading(const std::filesystem::path& path,
                                                           std::error_code& ec) const = 0;

    // The whole contents of a regular file through openForReading; none with an error in `ec`.
    std::optional<std::string> readFile(const std::filesystem::path& path, std::error_code& ec) const;
};

}  // namespace talv
