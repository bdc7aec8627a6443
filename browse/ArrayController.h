#pragma once
// A list controller over keyed records: the content, the arranged objects (sorted by the sort
// descriptors), the selection (indexes into the arranged objects) and a selection proxy that
// answers one value, several values, no selection or not applicable for a key.
// Main thread only. The selection follows its objects when the content is changed or re-arranged.
#include "browse/ObserverList.h"
#include "platform/Value.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

struct SortDescriptor {
    std::string key;
    bool ascending = true;
    bool operator==(const SortDescriptor&) const = default;
};

// What the selection answers for one key.
struct SelectionValue {
    enum class Kind { Single, Multiple, NoSelection, NotApplicable };
    Kind kind = Kind::NoSelection;
    Value value;  // the shared value when Single (null when the key is absent)

    bool isSingle() const { return kind == Kind::Single; }
};

class ArrayController {
public:
    ArrayController() = default;
    virtual ~ArrayController() = default;
    ArrayController(const ArrayController&) = delete;
    ArrayController& operator=(const ArrayController&) = delete;

    const Value::Array& content() const { return content_; }
    void setContent(Value::Array content);
    void addObject(Value object);
    void addObjects(const Value::Array& objects);
    // Removes every entry of the content equal to one of the given objects.
    void removeObjects(const Value::Array& objects);

    const std::vector<SortDescriptor>& sortDescriptors() const { return sortDescriptors_; }
    void setSortDescriptors(std::vector<SortDescriptor> descriptors);

    const Value::Array& arrangedObjects() const { return arranged_; }
    // Arranges the content again (after the rules of arranging changed).
    void rearrangeObjects();
    // The arranging step: a stable sort by the sort descriptors.
    virtual Value::Array arrangeObjects(const Value::Array& objects) const;

    // Ascending indexes into arrangedObjects(). Out-of-range indexes are dropped.
    const std::vector<std::size_t>& selectionIndexes() const { return selection_; }
    void setSelectionIndexes(std::vector<std::size_t> indexes);
    Value::Array selectedObjects() const;
    // Selects the arranged entries equal to the given objects.
    void setSelectedObjects(const Value::Array& objects);

    // The selection proxy: the value of `key` over the selected entries.
    SelectionValue selectionValue(std::string_view key) const;

    // Called after every change of the selected objects, while the token lives.
    [[nodiscard]] ObserverToken observeSelection(std::function<void()> observer) {
        return selectionObservers_.add(std::move(observer));
    }
    // Called after every change of the arranged objects (content or order), while the token lives.
    [[nodiscard]] ObserverToken observeArrangedObjects(std::function<void()> observer) {
        return arrangementObservers_.add(std::move(observer));
    }

private:
    void contentChanged();
    void selectionMayHaveChanged(const Value::Array& before);

    Value::Array content_;
    Value::Array arranged_;
    std::vector<SortDescriptor> sortDescriptors_;
    std::vector<std::size_t> selection_;
    ObserverList selectionObservers_;
    ObserverList arrangementObservers_;
};

}  // namespace talv
