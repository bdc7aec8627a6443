#include "app/TableFonts.h"

#include <fmt/format.h>
#include <glib.h>
#include <gtkmm/settings.h>
#include <pangomm/context.h>
#include <pangomm/fontdescription.h>

#include <algorithm>
#include <cmath>

namespace talv {
namespace {

Pango::FontDescription systemFont() {
    auto settings = Gtk::Settings::get_default();
    const Glib::ustring name = settings ? settings->property_gtk_font_name().get_value() : Glib::ustring("Sans 10");
    return Pango::FontDescription(name);
}

bool familyExists(Gtk::Widget& widget, const std::string& family) {
    for (const auto& candidate : widget.get_pango_context()->list_families()) {
        if (g_ascii_strcasecmp(candidate->get_name().c_str(), family.c_str()) == 0) return true;
    }
    return false;
}

}  // namespace

double systemFontSize() {
    const Pango::FontDescription font = systemFont();
    const double size = static_cast<double>(font.get_size()) / PANGO_SCALE;
    return size > 0 ? size : 10;
}

double smallSystemFontSize() { return std::max(6.0, std::round(systemFontSize()) - 1); }

TableFont tableFont(Gtk::Widget& widget, const UserDefaults& defaults, const char* nameKey, const char* sizeKey,
                    double fallbackPoints) {
    TableFont font;
    font.points = defaults.objectForKey(sizeKey) ? defaults.doubleForKey(sizeKey, fallbackPoints) : fallbackPoints;
    if (!(font.points > 0)) font.points = fallbackPoints;
    const std::string family = defaults.stringForKey(nameKey);
    font.family = !family.empty() && familyExists(widget, family) ? family : std::string(systemFont().get_family());

    Pango::FontDescription description;
    description.set_family(font.family);
    description.set_size(static_cast<int>(font.points * PANGO_SCALE));
    const Pango::FontMetrics metrics = widget.get_pango_context()->get_metrics(description);
    const int lineHeight = static_cast<int>(std::ceil(static_cast<double>(metrics.get_ascent() + metrics.get_descent()) / PANGO_SCALE));
    font.rowHeight = lineHeight + 4;
    return font;
}

std::string tableFontStyle(const std::string& styleClass, const TableFont& font) {
    std::string family;
    for (char c : font.family) {
        if (c == '"' || c == '\\') family += '\\';
        family += c;
    }
    return fmt::format(".{0} {{ font-family: \"{1}\"; font-size: {2:g}pt; }}\n"
                       ".{0} > listview > row {{ min-height: {3}px; padding-top: 0; padding-bottom: 0; }}\n"
                       ".{0} > listview > row > cell {{ padding-top: 0; padding-bottom: 0; min-height: {3}px; }}\n",
                       styleClass, family, font.points, font.rowHeight);
}

}  // namespace talv
