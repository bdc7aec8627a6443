#include "app/ChatsColumnView.h"

#include "app/ChatsTableColumns.h"
#include "app/WidgetSupport.h"
#include "platform/Strings.h"

#include <gtk/gtk.h>

namespace talv {
namespace {

// The list view inside the column view, which owns the scrolling actions.
GtkWidget* innerListView(Gtk::ColumnView& view) {
    for (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(view.gobj())); child;
         child = gtk_widget_get_next_sibling(child)) {
        if (GTK_IS_LIST_VIEW(child)) return child;
    }
    return nullptr;
}

}  // namespace

ChatsColumnView::ChatsColumnView()
    : model_(RowListModel::create()), selection_(Gtk::SingleSelection::create(model_)), sorting_(view_),
      cells_([this](const std::string& column, guint row) { return cellText(column, row); }) {
    selection_->set_autoselect(false);
    selection_->set_can_unselect(true);
    view_.set_model(selection_);
    view_.set_reorderable(true);
    view_.set_show_column_separators(true);
    view_.add_css_class("talv-chats");
    view_.add_css_class("talv-pretty");
    setAccessibleName(view_, tr("Chats"));
    for (const ChatsTableColumn& definition : kChatsTableColumns) {
        auto column = makeColumn(definition.identifier, tr(definition.title), definition.defaultWidth);
        sorting_.makeSortable(column, definition.sortKey);
        columns_[definition.identifier] = column;
    }
    columns_["topic"]->set_expand(true);
    scrolled_.set_child(view_);
    scrolled_.set_policy(Gtk::PolicyType::AUTOMATIC, Gtk::PolicyType::AUTOMATIC);

    connections_.push_back(selection_->signal_selection_changed().connect([this](guint, guint) {
        if (!reloading_ && delegate_) delegate_->selectionDidChange();
    }));
    connections_.push_back(view_.get_sorter()->signal_changed().connect([this](Gtk::Sorter::Change) {
        if (delegate_) delegate_->sortDescriptorsDidChange();
    }));
}

ChatsColumnView::~ChatsColumnView() {
    // Taking the columns down changes the sort; nobody is to hear of it.
    for (sigc::connection& connection : connections_) connection.disconnect();
    delegate_ = nullptr;
    dataSource_ = nullptr;
}

Glib::RefPtr<Gtk::ColumnViewColumn> ChatsColumnView::makeColumn(const std::string& identifier, const std::string& title,
                                                                int width) {
    auto column = Gtk::ColumnViewColumn::create(title, cells_.factory(identifier));
    column->set_resizable(true);
    column->set_fixed_width(width);
    return column;
}

std::string ChatsColumnView::cellText(const std::string& identifier, std::size_t row) const {
    if (!dataSource_ || row >= model_->count()) return "";
    return dataSource_->objectValue(identifier, row).textOr("");
}

void ChatsColumnView::reloadData() {
    reloading_ = true;
    model_->resize(dataSource_ ? static_cast<guint>(dataSource_->numberOfRows()) : 0);
    cells_.refresh();
    reloading_ = false;
}

std::vector<SortDescriptor> ChatsColumnView::sortDescriptors() const {
    if (auto descriptor = sorting_.sortDescriptor()) return {*descriptor};
    return {};
}

std::optional<std::size_t> ChatsColumnView::selectedRow() const {
    const guint selected = selection_->get_selected();
    if (selected == GTK_INVALID_LIST_POSITION || selected >= model_->count()) return std::nullopt;
    return selected;
}

void ChatsColumnView::selectRow(std::optional<std::size_t> row) {
    if (row && *row >= model_->count()) row.reset();
    selection_->set_selected(row ? static_cast<guint>(*row) : GTK_INVALID_LIST_POSITION);
    if (row) scrollToRow(*row);
}

void ChatsColumnView::scrollToRow(std::size_t row) {
    if (GtkWidget* list = innerListView(view_))
        gtk_widget_activate_action(list, "list.scroll-to-item", "u", static_cast<guint>(row));
}

std::vector<std::string> ChatsColumnView::columnIdentifiers() const {
    std::vector<std::string> identifiers;
    GListModel* shown = gtk_column_view_get_columns(const_cast<GtkColumnView*>(view_.gobj()));
    for (guint i = 0; i < g_list_model_get_n_items(shown); ++i) {
        auto* column = static_cast<GtkColumnViewColumn*>(g_list_model_get_item(shown, i));
        for (const auto& [identifier, definition] : columns_) {
            if (definition->gobj() == column) identifiers.push_back(identifier);
        }
        g_object_unref(column);
    }
    return identifiers;
}

void ChatsColumnView::showColumns(const std::vector<std::string>& identifiers) {
    const std::vector<std::string> shown = columnIdentifiers();
    for (const std::string& identifier : shown) {
        if (std::find(identifiers.begin(), identifiers.end(), identifier) == identifiers.end())
            view_.remove_column(columns_.at(identifier));
    }
    for (const std::string& identifier : identifiers) {
        auto column = columns_.find(identifier);
        if (column != columns_.end() && std::find(shown.begin(), shown.end(), identifier) == shown.end())
            view_.append_column(column->second);
    }
}

int ChatsColumnView::columnWidth(const std::string& identifier) const {
    auto column = columns_.find(identifier);
    return column == columns_.end() ? 0 : column->second->get_fixed_width();
}

void ChatsColumnView::setColumnWidth(const std::string& identifier, int width) {
    auto column = columns_.find(identifier);
    if (column != columns_.end() && width > 0) column->second->set_fixed_width(width);
}

void ChatsColumnView::moveColumn(const std::string& identifier, std::size_t position) {
    auto column = columns_.find(identifier);
    if (column != columns_.end()) view_.insert_column(static_cast<guint>(position), column->second);
}

void ChatsColumnView::setSortDescriptors(const std::vector<SortDescriptor>& descriptors) {
    sorting_.showSortDescriptor(descriptors.empty() ? std::nullopt : std::optional<SortDescriptor>(descriptors.front()));
}

}  // namespace talv
