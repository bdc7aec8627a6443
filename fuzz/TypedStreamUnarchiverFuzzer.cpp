// libFuzzer target: typedstreams through the iChat class registry.
#include "fuzz/ArchiveWalk.h"
#include "import/TypedStreamUnarchiver.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto result = talv::TypedStreamUnarchiver::unarchive(std::string_view(reinterpret_cast<const char*>(data), size),
                                                         talv::iChatArchiveClasses());
    talv::fuzz::walk(result.root);
    return 0;
}
