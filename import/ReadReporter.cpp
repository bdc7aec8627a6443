#include "import/ReadReporter.h"

#include "platform/Log.h"

namespace talv {

ReadReporter& ReadReporter::log() {
    static ReadReporter reporter;
    return reporter;
}

void ReadReporter::failed(const std::filesystem::path& path, std::string_view reason) {
    logf("Cannot read {}: {}", path.string(), reason);
}

void ReadReporter::skipped(const std::filesystem::path& path, std::string_view reason) {
    logf("{}: {}", reason, path.string());
}

void ReadReporter::dropped(const std::filesystem::path& path, std::string_view reason) {
    logf("{}: {}", reason, path.string());
}

}  // namespace talv
