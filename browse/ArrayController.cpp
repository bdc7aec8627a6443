#include "browse/ArrayController.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace talv {
namespace {

// Order of kinds: null, numbers (booleans included), texts, dates, anything else.
int rank(const Value& v) {
    switch (v.type()) {
    case Value::Type::Null: return 0;
    case Value::Type::Boolean:
    case Value::Type::Integer:
    case Value::Type::Real: return 1;
    case Value::Type::Text: return 2;
    case Value::Type::Date: return 3;
    default: return 4;
    }
}

struct GFreeDeleter {
    void operator()(char* p) const { g_free(p); }
};
using GString = std::unique_ptr<char, GFreeDeleter>;

// What a value is sorted by, worked out once per value rather than at every comparison: texts
// compare case-insensitively in the locale's collation order, by their collation keys.
struct SortKey {
    int rank = 0;
    double number = 0;
    std::string text;
};

SortKey sortKeyOf(const Value& v) {
    SortKey key{rank(v), 0, {}};
    if (key.rank == 1) key.number = v.realOr(0);
    else if (key.rank == 3) key.number = v.asDate()->secondsSince1970;
    else if (key.rank == 2) {
        GString folded(g_utf8_casefold(v.asText()->c_str(), -1));
        GString collated(g_utf8_collate_key(folded.get(), -1));
        key.text = collated.get();
    }
    return key;
}

int compareKeys(const SortKey& a, const SortKey& b) {
    if (a.rank != b.rank) return a.rank < b.rank ? -1 : 1;
    if (a.rank == 2) return a.text.compare(b.text);
    if (a.rank == 1 || a.rank == 3) return a.number < b.number ? -1 : (b.number < a.number ? 1 : 0);
    return 0;
}

const Value& member(const Value& object, std::string_view key) {
    static const Value null;
    const Value* v = object.find(key);
    return v ? *v : null;
}

}  // namespace

void ArrayController::setContent(Value::Array content) {
    content_ = std::move(content);
    contentChanged();
}

void ArrayController::addObject(Value object) {
    content_.push_back(std::move(object));
    contentChanged();
}

void ArrayController::addObjects(const Value::Array& objects) {
    content_.insert(content_.end(), objects.begin(), objects.end());
    contentChanged();
}

void ArrayController::removeObjects(const Value::Array& objects) {
    std::erase_if(content_, [&](const Value& v) { return std::find(objects.begin(), objects.end(), v) != objects.end(); });
    contentChanged();
}

void ArrayController::setSortDescriptors(std::vector<SortDescriptor> descriptors) {
    sortDescriptors_ = std::move(descriptors);
    rearrangeObjects();
}

void ArrayController::rearrangeObjects() { contentChanged(); }

Value::Array ArrayController::arrangeObjects(const Value::Array& objects) const {
    if (sortDescriptors_.empty()) return objects;
    std::vector<std::vector<SortKey>> keys(objects.size());
    for (std::size_t i = 0; i < objects.size(); ++i)
        for (const SortDescriptor& d : sortDescriptors_) keys[i].push_back(sortKeyOf(member(objects[i], d.key)));
    std::vector<std::size_t> order(objects.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        for (std::size_t k = 0; k < sortDescriptors_.size(); ++k) {
            int c = compareKeys(keys[a][k], keys[b][k]);
            if (c != 0) return sortDescriptors_[k].ascending ? c < 0 : c > 0;
        }
        return false;
    });
    Value::Array sorted;
    sorted.reserve(objects.size());
    for (std::size_t i : order) sorted.push_back(objects[i]);
    return sorted;
}

void ArrayController::contentChanged() {
    Value::Array before = selectedObjects();
    arranged_ = arrangeObjects(content_);
    selection_.clear();
    for (std::size_t i = 0; i < arranged_.size(); ++i) {
        if (std::find(before.begin(), before.end(), arranged_[i]) != before.end()) selection_.push_back(i);
    }
    arrangementObservers_.notify();
    selectionMayHaveChanged(before);
}

void ArrayController::setSelectionIndexes(std::vector<std::size_t> indexes) {
    Value::Array before = selectedObjects();
    std::erase_if(indexes, [this](std::size_t i) { return i >= arranged_.size(); });
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    selection_ = std::move(indexes);
    selectionMayHaveChanged(before);
}

Value::Array ArrayController::selectedObjects() const {
    Value::Array selected;
    selected.reserve(selection_.size());
    for (std::size_t i : selection_) selected.push_back(arranged_[i]);
    return selected;
}

void ArrayController::setSelectedObjects(const Value::Array& objects) {
    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < arranged_.size(); ++i) {
        if (std::find(objects.begin(), objects.end(), arranged_[i]) != objects.end()) indexes.push_back(i);
    }
    setSelectionIndexes(std::move(indexes));
}

SelectionValue ArrayController::selectionValue(std::string_view key) const {
    if (selection_.empty()) return {SelectionValue::Kind::NoSelection, {}};
    for (std::size_t i : selection_) {
        if (!arranged_[i].asDictionary()) return {SelectionValue::Kind::NotApplicable, {}};
    }
    const Value& first = member(arranged_[selection_.front()], key);
    for (std::size_t i : selection_) {
        if (!(member(arranged_[i], key) == first)) return {SelectionValue::Kind::Multiple, {}};
    }
    return {SelectionValue::Kind::Single, first};
}

void ArrayController::selectionMayHaveChanged(const Value::Array& before) {
    if (selectedObjects() == before) return;
    selectionObservers_.notify();
}

}  // namespace talv
