#pragma once
// The colours of a focused table's selection: a vertical gradient derived from the theme's
// selection colour (base), lighter and less saturated at the top, darker and more saturated
// at the bottom, with a one-pixel line of the base colour along its top edge.
#include <string>

namespace talv {

struct Rgba {
    double red = 0, green = 0, blue = 0, alpha = 1;
};

struct SelectionGradient {
    Rgba base, top, bottom;
};

SelectionGradient selectionGradient(const Rgba& base);

// "rgba(r,g,b,a)" with 0-255 channels, for style sheets.
std::string cssColor(const Rgba& color);

}  // namespace talv
