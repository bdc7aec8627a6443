#include "app/ToolbarCustomizeDialog.h"

#include "app/ToolbarConfiguration.h"
#include "app/WidgetSupport.h"
#include "platform/Strings.h"

#include <gtkmm/box.h>
#include <gtkmm/label.h>
#include <gtkmm/scrolledwindow.h>

#include <algorithm>

namespace talv {
namespace {

Gtk::Widget& listColumn(const std::string& heading, Gtk::ListBox& list) {
    auto* column = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
    auto* label = Gtk::make_managed<Gtk::Label>(heading);
    label->set_xalign(0);
    label->add_css_class("heading");
    auto* scrolled = Gtk::make_managed<Gtk::ScrolledWindow>();
    scrolled->set_child(list);
    scrolled->set_vexpand(true);
    scrolled->set_size_request(220, 300);
    scrolled->set_has_frame(true);
    column->append(*label);
    column->append(*scrolled);
    setAccessibleName(list, heading);
    return *column;
}

void fill(Gtk::ListBox& list, const std::vector<std::string>& identifiers) {
    while (Gtk::Widget* row = list.get_first_child()) list.remove(*row);
    for (const std::string& identifier : identifiers) {
        auto* label = Gtk::make_managed<Gtk::Label>(ToolbarItem::paletteLabel(identifier));
        label->set_xalign(0);
        label->set_margin(6);
        list.append(*label);
    }
}

}  // namespace

ToolbarCustomizeDialog::ToolbarCustomizeDialog(Gtk::Window& parent, std::vector<std::string> items, Changed changed)
    : items_(std::move(items)), allowed_(ToolbarItem::allowedItemIdentifiers()), changed_(std::move(changed)),
      add_(tr("Add")), remove_(tr("Remove")), up_(tr("Move Up")), down_(tr("Move Down")),
      defaults_(tr("Use Default Set")), done_(tr("Done")) {
    set_title(tr("Customize Toolbar"));
    set_transient_for(parent);
    set_modal(true);
    set_default_size(560, 420);

    auto* lists = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 12);
    auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
    buttons->set_valign(Gtk::Align::CENTER);
    for (Gtk::Button* button : {&add_, &remove_, &up_, &down_}) buttons->append(*button);
    lists->append(listColumn(tr("Toolbar Items"), itemsList_));
    lists->append(*buttons);
    lists->append(listColumn(tr("Available Items"), allowedList_));

    auto* footer = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
    defaults_.set_hexpand(true);
    defaults_.set_halign(Gtk::Align::START);
    done_.add_css_class("suggested-action");
    footer->append(defaults_);
    footer->append(done_);

    auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
    content->set_margin(12);
    content->append(*lists);
    content->append(*footer);
    set_child(*content);

    fill(allowedList_, allowed_);
    fill(itemsList_, items_);
    updateButtons();
    add_.signal_clicked().connect([this] {
        if (auto row = selectedRow(allowedList_)) addItem(*row);
    });
    remove_.signal_clicked().connect([this] {
        if (auto row = selectedRow(itemsList_)) removeItem(*row);
    });
    up_.signal_clicked().connect([this] {
        if (auto row = selectedRow(itemsList_)) moveItem(*row, -1);
    });
    down_.signal_clicked().connect([this] {
        if (auto row = selectedRow(itemsList_)) moveItem(*row, 1);
    });
    defaults_.signal_clicked().connect([this] { useDefaultSet(); });
    done_.signal_clicked().connect([this] { close(); });
    itemsList_.signal_selected_rows_changed().connect([this] { updateButtons(); });
    allowedList_.signal_selected_rows_changed().connect([this] { updateButtons(); });
    allowedList_.signal_row_activated().connect([this](Gtk::ListBoxRow* row) { addItem(static_cast<std::size_t>(row->get_index())); });
}

void ToolbarCustomizeDialog::addItem(std::size_t allowedRow) {
    if (allowedRow >= allowed_.size()) return;
    const std::string& identifier = allowed_[allowedRow];
    if (!ToolbarItem::isRepeatable(identifier) && std::find(items_.begin(), items_.end(), identifier) != items_.end()) return;
    // After the selected item, else at the end.
    const std::optional<std::size_t> after = selectedRow(itemsList_);
    const std::size_t at = after ? *after + 1 : items_.size();
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), identifier);
    refresh(at);
}

void ToolbarCustomizeDialog::removeItem(std::size_t row) {
    if (row >= items_.size()) return;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(row));
    refresh(items_.empty() ? std::nullopt : std::optional(std::min(row, items_.size() - 1)));
}

void ToolbarCustomizeDialog::moveItem(std::size_t row, int by) {
    const std::ptrdiff_t target = static_cast<std::ptrdiff_t>(row) + by;
    if (row >= items_.size() || target < 0 || target >= static_cast<std::ptrdiff_t>(items_.size())) return;
    std::swap(items_[row], items_[static_cast<std::size_t>(target)]);
    refresh(static_cast<std::size_t>(target));
}

void ToolbarCustomizeDialog::useDefaultSet() {
    items_ = ToolbarItem::defaultItemIdentifiers();
    refresh(std::nullopt);
}

void ToolbarCustomizeDialog::refresh(std::optional<std::size_t> selectRow) {
    fill(itemsList_, items_);
    if (selectRow) itemsList_.select_row(*itemsList_.get_row_at_index(static_cast<int>(*selectRow)));
    updateButtons();
    changed_(items_);
}

std::optional<std::size_t> ToolbarCustomizeDialog::selectedRow(Gtk::ListBox& list) const {
    const Gtk::ListBoxRow* row = list.get_selected_row();
    if (!row) return std::nullopt;
    return static_cast<std::size_t>(row->get_index());
}

void ToolbarCustomizeDialog::updateButtons() {
    const std::optional<std::size_t> item = selectedRow(itemsList_);
    const std::optional<std::size_t> allowed = selectedRow(allowedList_);
    remove_.set_sensitive(item.has_value());
    up_.set_sensitive(item && *item > 0);
    down_.set_sensitive(item && *item + 1 < items_.size());
    add_.set_sensitive(allowed && (ToolbarItem::isRepeatable(allowed_[*allowed]) ||
                                   std::find(items_.begin(), items_.end(), allowed_[*allowed]) == items_.end()));
}

}  // namespace talv
