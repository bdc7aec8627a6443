#pragma once
// The main window's toolbar "TalToolbar": a row of items (icon buttons, spaces, separators, the
// search field) laid out from a list of identifiers, each item's widget made by the owner. A
// right click offers "Customize Toolbar...". Main thread only.
#include <gtkmm/box.h>
#include <gtkmm/popovermenu.h>

#include <functional>
#include <string>
#include <vector>

namespace talv {

class TalToolbar {
public:
    // The widget of a non-space item: a managed one, or one the owner keeps; nullptr for none.
    using ItemFactory = std::function<Gtk::Widget*(const std::string& identifier)>;

    explicit TalToolbar(ItemFactory factory);
    ~TalToolbar();
    TalToolbar(const TalToolbar&) = delete;
    TalToolbar& operator=(const TalToolbar&) = delete;

    Gtk::Box& widget() { return box_; }
    // Lays the toolbar out with these items, left to right.
    void setItems(std::vector<std::string> identifiers);
    const std::vector<std::string>& items() const { return items_; }
    // The widget of the first item with this identifier; nullptr when the toolbar has none.
    Gtk::Widget* itemWidget(const std::string& identifier) const;

private:
    ItemFactory factory_;
    Gtk::Box box_;
    Gtk::PopoverMenu contextMenu_;
    std::vector<std::string> items_;
    std::vector<Gtk::Widget*> widgets_;
};

}  // namespace talv
