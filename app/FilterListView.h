#pragma once
// One filter table: a one-column view over a filter list's arranged entries (their titles),
// with multiple selection kept in step with the list's selection both ways. Choosing the All
// entry together with others leaves All alone selected. Main thread only.
#include "app/ColumnSorting.h"
#include "app/RowListModel.h"
#include "browse/TalvFilterArrayController.h"

#include <gtkmm/columnview.h>
#include <gtkmm/multiselection.h>
#include <gtkmm/scrolledwindow.h>

#include <optional>
#include <string>
#include <vector>

namespace talv {

class FilterListView {
public:
    // `title` heads the column and names the table; with a `sortKey` the header sorts the list.
    FilterListView(TalvFilterArrayController& list, const std::string& title, std::optional<std::string> sortKey);
    ~FilterListView();
    FilterListView(const FilterListView&) = delete;
    FilterListView& operator=(const FilterListView&) = delete;

    Gtk::ScrolledWindow& widget() { return scrolled_; }
    Gtk::ColumnView& columnView() { return view_; }
    TalvFilterArrayController& list() { return list_; }

    // The table's sort, shown in its header and applied to the list.
    void setSortDescriptors(const std::vector<SortDescriptor>& descriptors);
    // As a click would: selects these rows (and applies the All rule).
    void selectRows(const std::vector<std::size_t>& rows);

private:
    void reload();
    void showListSelection();
    void tableSelectionDidChange();

    TalvFilterArrayController& list_;
    Glib::RefPtr<RowListModel> model_;
    Glib::RefPtr<Gtk::MultiSelection> selection_;
    Gtk::ColumnView view_;
    Gtk::ScrolledWindow scrolled_;
    ColumnSorting sorting_;
    std::optional<std::string> sortKey_;
    BoundCells cells_;
    bool syncing_ = false;
    ObserverToken selectionObservation_, arrangementObservation_;
    std::vector<sigc::connection> connections_;
};

}  // namespace talv
