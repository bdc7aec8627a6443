#pragma once
// A label with one link inside its text: the text given marks the link with "<a>" and "</a>";
// the link is drawn blue and underlined, shows the pointing-hand cursor, and a press on it
// opens URLString in the user's default application. Presses elsewhere do nothing.
#include <gtkmm/label.h>

#include <string>

namespace talv {

class URLTextField : public Gtk::Label {
public:
    explicit URLTextField(const std::string& markedText);

    const std::string& URLString() const { return URLString_; }
    void setURLString(std::string url) { URLString_ = std::move(url); }

    // Whether a point of the widget lies on the link as drawn.
    bool isOnLink(double x, double y);
    // A press at a point of the widget: opens the link when the point is on it. Returns whether
    // it opened.
    bool mouseDown(double x, double y);

private:
    std::string URLString_;
    int linkStart_ = 0, linkEnd_ = 0;  // byte range of the link in the shown text
};

// Opens a URL in the user's default application for it.
void openInDefaultApplication(const std::string& url);

}  // namespace talv
