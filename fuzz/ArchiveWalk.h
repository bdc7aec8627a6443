#pragma once
// Visits a decoded object graph the way the transcript reader does: descriptions, attributed
// texts with their runs and attachments, and the iChat classes. Used by the fuzz targets so that
// damaged input also exercises what comes after decoding.
#include "import/FoundationArchiveClasses.h"
#include "import/IChatArchiveClasses.h"

#include <cstddef>

namespace talv::fuzz {

inline void walkText(const AttributedString& text) {
    for (std::size_t i = 0; i < text.length(); ++i) {
        TextRange range;
        text.attributesAt(i, &range);
        auto* attachment = std::get_if<TextAttachment>(text.attributeAt(AttachmentAttributeName, i));
        if (attachment && attachment->fileWrapper) (void)attachment->fileWrapper->regularFileContents();
        if (range.length > 1) i = range.end() - 1;
    }
    (void)text.utf8();
}

inline void walk(const ObjectPtr& object, int depth = 0) {
    if (!object || depth > 64) return;
    (void)object->description();
    if (auto* array = objectAs<ArchivedArray>(object)) {
        for (const auto& element : array->elements) walk(element, depth + 1);
    } else if (auto* dictionary = objectAs<ArchivedDictionary>(object)) {
        for (const auto& [key, value] : dictionary->entries) {
            walk(key, depth + 1);
            walk(value, depth + 1);
        }
    } else if (auto* text = objectAs<ArchivedAttributedString>(object)) {
        walkText(*text->text);
    } else if (auto* message = objectAs<InstantMessage>(object)) {
        if (message->text) walkText(*message->text);
    }
}

}  // namespace talv::fuzz
