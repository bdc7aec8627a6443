#pragma once
// A read-only text view whose link runs react to the mouse: the pointing-hand cursor over a
// link; pressing one turns it orange, dragging out of it back to the link colour and in again
// to orange; releasing on it opens its URL through `openURL` (the delegate), or the default
// application when none is set. Presses outside links behave as in any text view.
#include <gtkmm/textview.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace talv {

class URLTextView : public Gtk::TextView {
public:
    struct Run {
        std::string text;
        std::optional<std::string> url;  // a link run when set
    };

    URLTextView();

    // Replaces the text.
    void setRuns(const std::vector<Run>& runs);
    // The delegate's `urlTextViewOpenURL`.
    std::function<void(const std::string& url)> openURL;

    // The mouse, in widget coordinates; the gestures call these. mouseDown returns whether the
    // press landed on a link (and is tracked).
    bool mouseDown(double x, double y);
    void mouseDragged(double x, double y);
    void mouseUp(double x, double y);

    // Whether the run of the link under tracking is drawn pressed (orange).
    bool isLinkPressed() const { return pressedRun_ && pressedDrawn_; }

private:
    struct LinkRange {
        int start, end;  // character offsets
        std::string url;
    };
    std::optional<LinkRange> linkAt(double x, double y);
    void drawPressed(bool pressed);

    Glib::RefPtr<Gtk::TextTag> linkTag_, pressedTag_;
    std::vector<LinkRange> links_;
    std::optional<LinkRange> pressedRun_;
    bool pressedDrawn_ = false;
};

}  // namespace talv
