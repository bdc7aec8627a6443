#pragma once
// A list model of row numbers for GTK list and column views. GTK asks only for the rows it
// shows; each item carries nothing but its row number, and the cells are read from their
// source when a row is bound, so no object exists for rows that are not on screen.
// `BoundCells` keeps the labels of the rows on screen, to refresh them when the rows change.
#include <giomm/listmodel.h>
#include <gtkmm/label.h>
#include <gtkmm/signallistitemfactory.h>
#include <glibmm/object.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace talv {

class RowItem : public Glib::Object {
public:
    static Glib::RefPtr<RowItem> create(guint row) { return Glib::make_refptr_for_instance(new RowItem(row)); }
    guint row() const { return row_; }

protected:
    explicit RowItem(guint row) : row_(row) {}

private:
    guint row_;
};

// The interface comes first among the bases, so that it is added to the type before the object exists.
class RowListModel : public Gio::ListModel, public Glib::Object {
public:
    static Glib::RefPtr<RowListModel> create() { return Glib::make_refptr_for_instance(new RowListModel()); }

    // The list now has `count` rows: rows are added or removed at the end only, so that GTK keeps
    // the widgets of the rows that stay; their owner refreshes what they show.
    void resize(guint count);
    guint count() const { return count_; }

protected:
    RowListModel();
    GType get_item_type_vfunc() override;
    guint get_n_items_vfunc() override;
    gpointer get_item_vfunc(guint position) override;

private:
    guint count_ = 0;
};

// The row number of a list item's item; none when it holds no RowItem.
std::optional<guint> rowOfItem(const Glib::RefPtr<Glib::ObjectBase>& item);

// The labels of the rows on screen with the cell each shows (a column and a row), so that a
// change of the rows refreshes them in place instead of making new widgets.
// The factories' cells may be unbound after the owner has gone (when its view is taken down).
class BoundCells {
public:
    using CellText = std::function<std::string(const std::string& column, guint row)>;
    explicit BoundCells(CellText cellText) : state_(std::make_shared<State>(State{std::move(cellText), {}})) {}

    // A factory whose cells are labels showing `column` of their row.
    Glib::RefPtr<Gtk::SignalListItemFactory> factory(const std::string& column);
    // Shows every bound cell afresh.
    void refresh();

private:
    struct State {
        CellText cellText;
        std::map<Gtk::Label*, std::pair<std::string, guint>> bound;
    };
    std::shared_ptr<State> state_;
};

}  // namespace talv
