#pragma once
// The fonts of the tables, from a family key and a size key of the user defaults ("TableFontName"
// and "TableFontSize", "CriteriaFontName" and "CriteriaFontSize"), and the row height that
// fits them: the font's line height plus 4.
#include "platform/UserDefaults.h"

#include <gtkmm/widget.h>

#include <string>

namespace talv {

struct TableFont {
    std::string family;
    double points = 0;
    int rowHeight = 0;
};

// The size of the system's interface font, and the smaller size tables use by default.
double systemFontSize();
double smallSystemFontSize();

// The family of `nameKey` when the system has it, else the system's font; the size of `sizeKey`,
// else `fallbackPoints`. `widget` gives the font context.
TableFont tableFont(Gtk::Widget& widget, const UserDefaults& defaults, const char* nameKey, const char* sizeKey,
                    double fallbackPoints);

// A style sheet giving the rows of tables of `styleClass` the font and the row height.
std::string tableFontStyle(const std::string& styleClass, const TableFont& font);

}  // namespace talv
