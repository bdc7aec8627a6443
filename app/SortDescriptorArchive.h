#pragma once
// Sort descriptors as the window saves them ("ChatsTable_Sort") and as the default-sort
// resources hold them: a keyed archive ("NSKeyedArchiver" object graph, binary property list)
// of an array of NSSortDescriptor objects (NSKey, NSAscending, NSSelector "compare:").
#include "browse/ArrayController.h"
#include "platform/Value.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace talv {

Bytes archiveSortDescriptors(const std::vector<SortDescriptor>& descriptors);
// None when the bytes are no keyed archive whose root is an array; entries that are no sort
// descriptor with a text key are skipped.
std::optional<std::vector<SortDescriptor>> unarchiveSortDescriptors(const Bytes& archive);
// The default sort resource "<name>.plist" among the application's resources; none when it is
// missing or unreadable.
std::optional<std::vector<SortDescriptor>> defaultSortResource(const std::string& name);

}  // namespace talv
