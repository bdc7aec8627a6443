#pragma once
// "Customize Toolbar...": the toolbar's items on the left, the allowed items on the right;
// items are added, removed and reordered with buttons, and the default set can be restored.
// Every change is handed to `changed` at once. Main thread only.
#include <gtkmm/button.h>
#include <gtkmm/listbox.h>
#include <gtkmm/window.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace talv {

class ToolbarCustomizeDialog : public Gtk::Window {
public:
    using Changed = std::function<void(const std::vector<std::string>& identifiers)>;
    ToolbarCustomizeDialog(Gtk::Window& parent, std::vector<std::string> items, Changed changed);

    const std::vector<std::string>& items() const { return items_; }
    // The buttons' actions, by the positions of the lists' rows.
    void addItem(std::size_t allowedRow);
    void removeItem(std::size_t row);
    void moveItem(std::size_t row, int by);
    void useDefaultSet();

private:
    void refresh(std::optional<std::size_t> selectRow);
    std::optional<std::size_t> selectedRow(Gtk::ListBox& list) const;
    void updateButtons();

    std::vector<std::string> items_;
    std::vector<std::string> allowed_;
    Changed changed_;
    Gtk::ListBox itemsList_, allowedList_;
    Gtk::Button add_, remove_, up_, down_, defaults_, done_;
};

}  // namespace talv
