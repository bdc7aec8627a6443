#pragma once
// The chats table: a GTK column view over a list of row numbers whose cells are read from the
// query engine when a row is drawn, so only the rows on screen cost anything. It owns the six
// column definitions; which of them are shown, in which order and width, is set from outside.
// Main thread only.
#include "app/ColumnSorting.h"
#include "app/RowListModel.h"
#include "browse/ChatsTableView.h"

#include <gtkmm/columnview.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/singleselection.h>

#include <map>
#include <string>
#include <vector>

namespace talv {

class ChatsColumnView : public ChatsTableView {
public:
    ChatsColumnView();
    ~ChatsColumnView() override;
    ChatsColumnView(const ChatsColumnView&) = delete;
    ChatsColumnView& operator=(const ChatsColumnView&) = delete;

    // The scrolled view to place in the window.
    Gtk::ScrolledWindow& widget() { return scrolled_; }
    Gtk::ColumnView& columnView() { return view_; }

    // ChatsTableView
    void setDataSource(ChatsTableDataSource* dataSource) override { dataSource_ = dataSource; }
    void setDelegate(ChatsTableDelegate* delegate) override { delegate_ = delegate; }
    ChatsTableDelegate* delegate() const override { return delegate_; }
    void reloadData() override;
    std::vector<SortDescriptor> sortDescriptors() const override;
    std::optional<std::size_t> selectedRow() const override;
    void selectRow(std::optional<std::size_t> row) override;

    std::size_t numberOfRows() const { return model_->count(); }
    // The identifiers of the shown columns, left to right.
    std::vector<std::string> columnIdentifiers() const;
    // Shows exactly these columns: the shown ones keep their order, new ones are appended.
    void showColumns(const std::vector<std::string>& identifiers);
    int columnWidth(const std::string& identifier) const;
    void setColumnWidth(const std::string& identifier, int width);
    // Moves a shown column to `position` (0 is the left end).
    void moveColumn(const std::string& identifier, std::size_t position);
    // Shows the sort in the headers; the delegate hears the change.
    void setSortDescriptors(const std::vector<SortDescriptor>& descriptors);
    // Brings the row into view.
    void scrollToRow(std::size_t row);
    // The text of a cell as drawn.
    std::string cellText(const std::string& identifier, std::size_t row) const;

private:
    Glib::RefPtr<Gtk::ColumnViewColumn> makeColumn(const std::string& identifier, const std::string& title, int width);

    Glib::RefPtr<RowListModel> model_;
    Glib::RefPtr<Gtk::SingleSelection> selection_;
    Gtk::ColumnView view_;
    Gtk::ScrolledWindow scrolled_;
    ColumnSorting sorting_;
    BoundCells cells_;
    std::map<std::string, Glib::RefPtr<Gtk::ColumnViewColumn>> columns_;  // all six, shown or not
    ChatsTableDataSource* dataSource_ = nullptr;
    ChatsTableDelegate* delegate_ = nullptr;
    bool reloading_ = false;
    std::vector<sigc::connection> connections_;
};

}  // namespace talv
