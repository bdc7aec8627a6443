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

// Texts compare case-insensitively in the locale's collation order.
int compareTexts(const std::string& a, const std::string& b) {
    GString fa(g_utf8_casefold(a.c_str(), -1));
    GString fb(g_utf8_casefold(b.c_str(), -1));
    return g_utf8_collate(fa.get(), fb.get());
}

int compareValues(const Value& a, const Value& b) {
    int ra = rank(a), rb = rank(b);
    if (ra != rb) return ra < rb ? -1 : 1;
    switch (ra) {
    case 1: {
        double x = a.realOr(0), y = b.realOr(0);
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    case 2: return compareTexts(*a.asText(), *b.asText());
    case 3: {
        double x = a.asDate()->secondsSince1970, y = b.asDate()->secondsSince1970;
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    default: return 0;
    }
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
    Value::Array sorted = objects;
    std::stable_sort(sorted.begin(), sorted.end(), [this](const Value& a, const Value& b) {
        for (const SortDescriptor& d : sortDescriptors_) {
            int c = compareValues(member(a, d.key), member(b, d.key));
            if (c != 0) return d.ascending ? c < 0 : c > 0;
        }
        return false;
    });
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
