#include "app/SortDescriptorArchive.h"

#include "display/ApplicationResources.h"

#include <plist/plist.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace talv {
namespace {

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

plist_t uid(std::uint64_t index) { return plist_new_uid(index); }

plist_t classRecord(const char* name) {
    plist_t record = plist_new_dict();
    plist_dict_set_item(record, "$classname", plist_new_string(name));
    plist_t classes = plist_new_array();
    plist_array_append_item(classes, plist_new_string(name));
    plist_array_append_item(classes, plist_new_string("NSObject"));
    plist_dict_set_item(record, "$classes", classes);
    return record;
}

// The object a reference refers to: a UID value, or in XML archives a {"CF$UID": n} dictionary;
// nullptr for anything else.
plist_t dereference(plist_t objects, plist_t reference) {
    if (!reference) return nullptr;
    std::uint64_t index = 0;
    if (plist_get_node_type(reference) == PLIST_UID) {
        plist_get_uid_val(reference, &index);
    } else if (plist_get_node_type(reference) == PLIST_DICT && plist_dict_get_size(reference) == 1) {
        plist_t number = plist_dict_get_item(reference, "CF$UID");
        if (!number || plist_get_node_type(number) != PLIST_UINT) return nullptr;
        plist_get_uint_val(number, &index);
    } else {
        return nullptr;
    }
    if (index == 0 || index >= plist_array_get_size(objects)) return nullptr;
    return plist_array_get_item(objects, static_cast<std::uint32_t>(index));
}

std::optional<std::string> textOf(plist_t node) {
    if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
    std::uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return std::string(text, length);
}

}  // namespace

Bytes archiveSortDescriptors(const std::vector<SortDescriptor>& descriptors) {
    // $objects: "$null", the array, its class, the selector text, the descriptors' class, then
    // each descriptor followed by its key.
    constexpr std::uint64_t kArray = 1, kArrayClass = 2, kSelector = 3, kDescriptorClass = 4, kFirstDescriptor = 5;
    PlistPtr objects(plist_new_array());
    plist_t array = plist_new_dict();
    plist_t members = plist_new_array();
    for (std::size_t i = 0; i < descriptors.size(); ++i) plist_array_append_item(members, uid(kFirstDescriptor + 2 * i));
    plist_dict_set_item(array, "NS.objects", members);
    plist_dict_set_item(array, "$class", uid(kArrayClass));
    plist_array_append_item(objects.get(), plist_new_string("$null"));
    plist_array_append_item(objects.get(), array);
    plist_array_append_item(objects.get(), classRecord("NSArray"));
    plist_array_append_item(objects.get(), plist_new_string("compare:"));
    plist_array_append_item(objects.get(), classRecord("NSSortDescriptor"));
    for (std::size_t i = 0; i < descriptors.size(); ++i) {
        plist_t descriptor = plist_new_dict();
        plist_dict_set_item(descriptor, "NSKey", uid(kFirstDescriptor + 2 * i + 1));
        plist_dict_set_item(descriptor, "NSAscending", plist_new_bool(descriptors[i].ascending));
        plist_dict_set_item(descriptor, "NSSelector", uid(kSelector));
        plist_dict_set_item(descriptor, "$class", uid(kDescriptorClass));
        plist_array_append_item(objects.get(), descriptor);
        plist_array_append_item(objects.get(), plist_new_string(descriptors[i].key.c_str()));
    }

    PlistPtr root(plist_new_dict());
    plist_dict_set_item(root.get(), "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(root.get(), "$version", plist_new_uint(100000));
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", uid(kArray));
    plist_dict_set_item(root.get(), "$top", top);
    plist_dict_set_item(root.get(), "$objects", objects.release());

    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root.get(), &bytes, &length);
    Bytes result(bytes, bytes + length);
    plist_to_bin_free(bytes);
    return result;
}

std::optional<std::vector<SortDescriptor>> unarchiveSortDescriptors(const Bytes& archive) {
    if (archive.empty() || archive.size() > UINT32_MAX) return std::nullopt;
    plist_t parsed = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(archive.data()), static_cast<std::uint32_t>(archive.size()), &parsed);
    PlistPtr root(parsed);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) return std::nullopt;
    plist_t objects = plist_dict_get_item(root.get(), "$objects");
    plist_t top = plist_dict_get_item(root.get(), "$top");
    if (!objects || plist_get_node_type(objects) != PLIST_ARRAY || !top || plist_get_node_type(top) != PLIST_DICT)
        return std::nullopt;
    plist_t array = dereference(objects, plist_dict_get_item(top, "root"));
    if (!array || plist_get_node_type(array) != PLIST_DICT) return std::nullopt;
    plist_t members = plist_dict_get_item(array, "NS.objects");
    if (!members || plist_get_node_type(members) != PLIST_ARRAY) return std::nullopt;

    std::vector<SortDescriptor> descriptors;
    for (std::uint32_t i = 0; i < plist_array_get_size(members); ++i) {
        plist_t descriptor = dereference(objects, plist_array_get_item(members, i));
        if (!descriptor || plist_get_node_type(descriptor) != PLIST_DICT) continue;
        std::optional<std::string> key = textOf(dereference(objects, plist_dict_get_item(descriptor, "NSKey")));
        if (!key) continue;
        std::uint8_t ascending = 1;
        plist_t flag = plist_dict_get_item(descriptor, "NSAscending");
        if (flag && plist_get_node_type(flag) == PLIST_BOOLEAN) plist_get_bool_val(flag, &ascending);
        descriptors.push_back({std::move(*key), ascending != 0});
    }
    return descriptors;
}

std::optional<std::vector<SortDescriptor>> defaultSortResource(const std::string& name) {
    std::ifstream file(applicationResourcesDirectory() / (name + ".plist"), std::ios::binary);
    if (!file) return std::nullopt;
    Bytes bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return unarchiveSortDescriptors(bytes);
}

}  // namespace talv
