#pragma once
// A list model of row numbers for GTK list and column views. GTK asks only for the rows it
// shows; each item carries nothing but its row number, and the cells are read from their
// source when a row is bound, so no object exists for rows that are not on screen.
#include <giomm/listmodel.h>
#include <glibmm/object.h>

#include <optional>

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

    // Replaces every row: the list now has `count` rows, all to be read afresh.
    void reset(guint count);
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

}  // namespace talv
