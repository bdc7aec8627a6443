#pragma once
// The update window of orvane-updater: the product's icon, what is new (release notes in a web
// view that runs no script), where the download goes, the delete box, the status line and
// progress bar, and More Info, Cancel and the main button.
#include "update/OVSUController.h"
#include "update/UpdateWindowView.h"

#include <gtkmm.h>

#include <functional>

namespace talv::update {

class UpdateWindow final : public Gtk::Window, public UpdateWindowView {
public:
    // closed() runs when the window is closed, by the user or by the controller.
    UpdateWindow(OVSUController& controller, std::function<void()> closed);

    void show(const UpdateWindowContents& contents) override;
    void bringToFront() override;
    void setStatusText(const std::string& text) override;
    void setProgress(std::optional<double> fraction) override;
    void showDownloading() override;
    void showFinished() override;
    bool deleteAfterDone() const override;
    void close() override;

private:
    enum class MainAction { Install, Cancel, Close };
    void mainButtonClicked();

    OVSUController& controller_;
    std::function<void()> closed_;
    MainAction mainAction_ = MainAction::Install;
    Gtk::Image icon_;
    Gtk::Label title_, info_, location_, status_;
    Gtk::Widget* notes_ = nullptr;  // the web view
    Gtk::CheckButton deleteBox_;
    Gtk::ProgressBar progress_;
    Gtk::Button moreInfo_, cancel_, main_;
    sigc::connection pulse_;
};

}  // namespace talv::update
