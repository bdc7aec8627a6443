#pragma once
// Sort descriptors for a GTK column view whose rows are never sorted in memory: clicking a
// header only changes the view's sort state, which is read back as a sort descriptor (the
// first sorted column's key and direction) for whoever orders the rows.
//
// GTK 4.8 has no call that names the view's primary sort column, so each sortable column gets
// a probe sorter that records its key when asked to compare; comparing two items with the
// view's sorter then tells which column sorts first and, by the sign, in which direction.
#include "browse/ArrayController.h"

#include <gtkmm/columnview.h>

#include <map>
#include <optional>
#include <string>

namespace talv {

class ColumnSorting {
public:
    explicit ColumnSorting(Gtk::ColumnView& view) : view_(view) {}
    ColumnSorting(const ColumnSorting&) = delete;
    ColumnSorting& operator=(const ColumnSorting&) = delete;

    // Makes the column sortable by `key`.
    void makeSortable(const Glib::RefPtr<Gtk::ColumnViewColumn>& column, const std::string& key);
    // The view's primary sort; none when no column is sorted.
    std::optional<SortDescriptor> sortDescriptor() const;
    // Shows `descriptor` in the headers (none, or a key no shown column sorts by, clears them).
    // The view's sorter reports the change.
    void showSortDescriptor(const std::optional<SortDescriptor>& descriptor);

private:
    Gtk::ColumnView& view_;
    std::map<std::string, Glib::RefPtr<Gtk::ColumnViewColumn>> columns_;  // by key
    mutable const std::string* probed_ = nullptr;
};

}  // namespace talv
