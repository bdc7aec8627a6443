#include "app/RowListModel.h"

namespace talv {

RowListModel::RowListModel() : Glib::ObjectBase(typeid(RowListModel)), Glib::Object() {}

void RowListModel::reset(guint count) {
    const guint removed = count_;
    count_ = count;
    items_changed(0, removed, count);
}

GType RowListModel::get_item_type_vfunc() { return G_TYPE_OBJECT; }

guint RowListModel::get_n_items_vfunc() { return count_; }

gpointer RowListModel::get_item_vfunc(guint position) {
    if (position >= count_) return nullptr;
    return RowItem::create(position)->gobj_copy();
}

std::optional<guint> rowOfItem(const Glib::RefPtr<Glib::ObjectBase>& item) {
    auto row = std::dynamic_pointer_cast<RowItem>(item);
    if (!row) return std::nullopt;
    return row->row();
}

}  // namespace talv
