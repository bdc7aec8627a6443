#include "app/FilterListView.h"

#include "app/WidgetSupport.h"

#include <gtkmm/bitset.h>

namespace talv {
namespace {

Glib::RefPtr<Gtk::Bitset> rowsUpTo(guint count) {
    auto rows = Gtk::Bitset::create();
    rows->add_range(0, count);
    return rows;
}

}  // namespace

FilterListView::FilterListView(TalvFilterArrayController& list, const std::string& title, std::optional<std::string> sortKey)
    : list_(list), model_(RowListModel::create()), selection_(Gtk::MultiSelection::create(model_)), sorting_(view_),
      sortKey_(std::move(sortKey)), cells_([this](const std::string&, guint row) {
          const Value::Array& entries = list_.arrangedObjects();
          const Value* title = row < entries.size() ? entries[row].find("title") : nullptr;
          return title ? title->textOr("") : std::string();
      }) {
    auto column = Gtk::ColumnViewColumn::create(title, cells_.factory("title"));
    column->set_expand(true);
    if (sortKey_) sorting_.makeSortable(column, *sortKey_);
    view_.append_column(column);
    view_.set_model(selection_);
    view_.add_css_class("talv-criteria");
    view_.add_css_class("talv-pretty");
    setAccessibleName(view_, title);
    scrolled_.set_child(view_);
    scrolled_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);

    connections_.push_back(selection_->signal_selection_changed().connect([this](guint, guint) { tableSelectionDidChange(); }));
    connections_.push_back(view_.get_sorter()->signal_changed().connect([this](Gtk::Sorter::Change) {
        if (!sortKey_) return;
        const std::optional<SortDescriptor> sort = sorting_.sortDescriptor();
        list_.setSortDescriptors(sort ? std::vector<SortDescriptor>{*sort} : std::vector<SortDescriptor>{});
    }));
    arrangementObservation_ = list_.observeArrangedObjects([this] { reload(); });
    selectionObservation_ = list_.observeSelection([this] { showListSelection(); });
    reload();
}

FilterListView::~FilterListView() {
    for (sigc::connection& connection : connections_) connection.disconnect();
}

void FilterListView::setSortDescriptors(const std::vector<SortDescriptor>& descriptors) {
    if (sortKey_) sorting_.showSortDescriptor(descriptors.empty() ? std::nullopt : std::optional(descriptors.front()));
    list_.setSortDescriptors(descriptors);
}

void FilterListView::selectRows(const std::vector<std::size_t>& rows) {
    auto selected = Gtk::Bitset::create();
    for (std::size_t row : rows) selected->add(static_cast<guint>(row));
    selection_->set_selection(selected, rowsUpTo(model_->count()));
}

void FilterListView::reload() {
    syncing_ = true;
    model_->resize(static_cast<guint>(list_.arrangedObjects().size()));
    cells_.refresh();
    syncing_ = false;
    showListSelection();
}

void FilterListView::showListSelection() {
    if (syncing_) return;
    syncing_ = true;
    auto selected = Gtk::Bitset::create();
    for (std::size_t index : list_.selectionIndexes()) selected->add(static_cast<guint>(index));
    selection_->set_selection(selected, rowsUpTo(model_->count()));
    syncing_ = false;
}

void FilterListView::tableSelectionDidChange() {
    if (syncing_) return;
    std::vector<std::size_t> rows;
    auto selected = selection_->get_selection();
    for (guint i = 0; i < model_->count(); ++i) {
        if (selected->contains(i)) rows.push_back(i);
    }
    // The All entry (always first) stands alone.
    if (rows.size() > 1 && rows.front() == 0) rows = {0};
    list_.setSelectionIndexes(rows);
    showListSelection();
}

}  // namespace talv
