#include "app/URLTextView.h"

#include "app/URLTextField.h"

#include <gtkmm/eventcontrollermotion.h>
#include <gtkmm/gestureclick.h>
#include <gtkmm/gesturedrag.h>

namespace talv {
namespace {

constexpr const char* kLinkColour = "rgb(26,77,204)";  // red 0.1, green 0.3, blue 0.8
constexpr const char* kPressedColour = "orange";

}  // namespace

URLTextView::URLTextView() {
    set_editable(false);
    set_cursor_visible(false);
    set_wrap_mode(Gtk::WrapMode::WORD_CHAR);
    linkTag_ = get_buffer()->create_tag();
    linkTag_->property_foreground() = kLinkColour;
    linkTag_->property_underline() = Pango::Underline::SINGLE;
    pressedTag_ = get_buffer()->create_tag();
    pressedTag_->property_foreground() = kPressedColour;

    auto motion = Gtk::EventControllerMotion::create();
    motion->signal_motion().connect([this](double x, double y) { set_cursor(linkAt(x, y) ? "pointer" : ""); });
    add_controller(motion);
    // A drag gesture reports the press, every move and the release of one button.
    auto drag = Gtk::GestureDrag::create();
    drag->set_button(0);
    drag->signal_drag_begin().connect([this, drag = drag.get()](double x, double y) {
        if (mouseDown(x, y)) drag->set_state(Gtk::EventSequenceState::CLAIMED);
        else drag->set_state(Gtk::EventSequenceState::DENIED);
    });
    drag->signal_drag_update().connect([this, drag = drag.get()](double dx, double dy) {
        double x = 0, y = 0;
        if (drag->get_start_point(x, y)) mouseDragged(x + dx, y + dy);
    });
    drag->signal_drag_end().connect([this, drag = drag.get()](double dx, double dy) {
        double x = 0, y = 0;
        if (drag->get_start_point(x, y)) mouseUp(x + dx, y + dy);
    });
    add_controller(drag);
}

void URLTextView::setRuns(const std::vector<Run>& runs) {
    auto buffer = get_buffer();
    buffer->set_text("");
    links_.clear();
    pressedRun_.reset();
    for (const Run& run : runs) {
        const int start = buffer->end().get_offset();
        if (run.url) {
            buffer->insert_with_tag(buffer->end(), run.text, linkTag_);
            links_.push_back({start, buffer->end().get_offset(), *run.url});
        } else {
            buffer->insert(buffer->end(), run.text);
        }
    }
}

std::optional<URLTextView::LinkRange> URLTextView::linkAt(double x, double y) {
    int bufferX = 0, bufferY = 0;
    window_to_buffer_coords(Gtk::TextWindowType::WIDGET, static_cast<int>(x), static_cast<int>(y), bufferX, bufferY);
    Gtk::TextIter iter;
    if (!get_iter_at_location(iter, bufferX, bufferY)) return std::nullopt;
    // The character's own rectangle, so that the empty end of a line is no part of a link.
    Gdk::Rectangle box;
    get_iter_location(iter, box);
    if (bufferX < box.get_x() || bufferX >= box.get_x() + std::max(box.get_width(), 1)) return std::nullopt;
    const int offset = iter.get_offset();
    for (const LinkRange& link : links_) {
        if (offset >= link.start && offset < link.end) return link;
    }
    return std::nullopt;
}

void URLTextView::drawPressed(bool pressed) {
    if (!pressedRun_ || pressed == pressedDrawn_) return;
    auto buffer = get_buffer();
    auto start = buffer->get_iter_at_offset(pressedRun_->start), end = buffer->get_iter_at_offset(pressedRun_->end);
    if (pressed) buffer->apply_tag(pressedTag_, start, end);
    else buffer->remove_tag(pressedTag_, start, end);
    pressedDrawn_ = pressed;
}

bool URLTextView::mouseDown(double x, double y) {
    pressedRun_ = linkAt(x, y);
    if (!pressedRun_) return false;
    drawPressed(true);
    return true;
}

void URLTextView::mouseDragged(double x, double y) {
    if (!pressedRun_) return;
    const std::optional<LinkRange> under = linkAt(x, y);
    drawPressed(under && under->start == pressedRun_->start);
}

void URLTextView::mouseUp(double x, double y) {
    if (!pressedRun_) return;
    const std::optional<LinkRange> under = linkAt(x, y);
    const LinkRange run = *pressedRun_;
    drawPressed(false);
    pressedRun_.reset();
    if (!under || under->start != run.start) return;
    if (openURL) openURL(run.url);
    else openInDefaultApplication(run.url);
}

}  // namespace talv
