#include "app/ColumnSorting.h"

#include <gtk/gtk.h>

namespace talv {
namespace {

struct Probe {
    const std::string** probed;
    std::string key;
};

int probeCompare(gconstpointer, gconstpointer, gpointer data) {
    auto* probe = static_cast<Probe*>(data);
    *probe->probed = &probe->key;
    return GTK_ORDERING_SMALLER;
}

}  // namespace

void ColumnSorting::makeSortable(const Glib::RefPtr<Gtk::ColumnViewColumn>& column, const std::string& key) {
    auto* probe = new Probe{&probed_, key};
    GtkSorter* sorter = GTK_SORTER(gtk_custom_sorter_new(probeCompare, probe, [](gpointer p) { delete static_cast<Probe*>(p); }));
    gtk_column_view_column_set_sorter(column->gobj(), sorter);
    g_object_unref(sorter);
    columns_[key] = column;
}

std::optional<SortDescriptor> ColumnSorting::sortDescriptor() const {
    GtkSorter* sorter = gtk_column_view_get_sorter(view_.gobj());
    if (!sorter) return std::nullopt;
    // Any two distinct objects serve: the probes never look at them.
    GObject* first = G_OBJECT(view_.gobj());
    GObject* second = G_OBJECT(sorter);
    probed_ = nullptr;
    const GtkOrdering order = gtk_sorter_compare(sorter, first, second);
    if (!probed_ || order == GTK_ORDERING_EQUAL) return std::nullopt;
    return SortDescriptor{*probed_, order == GTK_ORDERING_SMALLER};
}

void ColumnSorting::showSortDescriptor(const std::optional<SortDescriptor>& descriptor) {
    GtkColumnViewColumn* column = nullptr;
    if (descriptor) {
        std::string key = descriptor->key;
        for (char& c : key) c = g_ascii_tolower(c);
        auto found = columns_.find(key);
        if (found != columns_.end() && gtk_column_view_column_get_column_view(found->second->gobj()) == view_.gobj())
            column = found->second->gobj();
    }
    gtk_column_view_sort_by_column(view_.gobj(), column,
                                   descriptor && !descriptor->ascending ? GTK_SORT_DESCENDING : GTK_SORT_ASCENDING);
}

}  // namespace talv
