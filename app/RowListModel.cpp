#include "app/RowListModel.h"

namespace talv {

RowListModel::RowListModel() : Glib::ObjectBase(typeid(RowListModel)), Glib::Object() {}

void RowListModel::resize(guint count) {
    const guint before = count_;
    count_ = count;
    if (count > before) items_changed(before, 0, count - before);
    else if (count < before) items_changed(count, before - count, 0);
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

namespace talv {

Glib::RefPtr<Gtk::SignalListItemFactory> BoundCells::factory(const std::string& column) {
    auto factory = Gtk::SignalListItemFactory::create();
    factory->signal_setup().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
        auto* label = Gtk::make_managed<Gtk::Label>();
        label->set_xalign(0);
        label->set_ellipsize(Pango::EllipsizeMode::END);
        label->set_single_line_mode(true);
        item->set_child(*label);
    });
    factory->signal_bind().connect([weak = std::weak_ptr<State>(state_), column](const Glib::RefPtr<Gtk::ListItem>& item) {
        auto state = weak.lock();
        auto* label = dynamic_cast<Gtk::Label*>(item->get_child());
        const std::optional<guint> row = rowOfItem(item->get_item());
        if (!state || !label || !row) return;
        state->bound[label] = {column, *row};
        label->set_text(state->cellText(column, *row));
    });
    factory->signal_unbind().connect([weak = std::weak_ptr<State>(state_)](const Glib::RefPtr<Gtk::ListItem>& item) {
        auto state = weak.lock();
        if (auto* label = dynamic_cast<Gtk::Label*>(item->get_child()); state && label) state->bound.erase(label);
    });
    return factory;
}

void BoundCells::refresh() {
    for (auto& [label, cell] : state_->bound) label->set_text(state_->cellText(cell.first, cell.second));
}

}  // namespace talv
