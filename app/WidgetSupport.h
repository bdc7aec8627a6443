#pragma once
// Small helpers of the shell: accessible names, and style sheets that apply to every widget
// of one style class on the display.
#include <gtkmm/cssprovider.h>
#include <gtkmm/widget.h>

#include <string>

namespace talv {

// The name a screen reader (and the interface tests) find the control by.
void setAccessibleName(Gtk::Widget& widget, const std::string& name);

// A style sheet for one style class, replaced as a whole by each set().
class ClassStyleSheet {
public:
    explicit ClassStyleSheet(std::string styleClass) : styleClass_(std::move(styleClass)) {}
    ~ClassStyleSheet();
    ClassStyleSheet(const ClassStyleSheet&) = delete;
    ClassStyleSheet& operator=(const ClassStyleSheet&) = delete;

    const std::string& styleClass() const { return styleClass_; }
    void set(const std::string& css);

private:
    std::string styleClass_;
    Glib::RefPtr<Gtk::CssProvider> provider_;
};

}  // namespace talv
