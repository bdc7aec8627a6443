#pragma once
// The update preference view: automatic checks on or off, their interval, the last check's
// date and status, Check Now (Cancel while a check runs) with a progress bar, and the privacy
// statement. It follows the updater through the session-bus notifications of the product's
// update domain. Main thread.
#include "platform/ObserverToken.h"
#include "platform/RunLoop.h"
#include "platform/Value.h"
#include "update/ProductBundle.h"

#include <gtkmm.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace talv::update {

class OVVCUpdateViewController_V100 {
public:
    // Starts the updater for a bundle and domain: 0 or an errno (startUpdater by default).
    using StartUpdater =
        std::function<int(const ProductBundle& bundle, const std::string& domain, std::filesystem::path* launched)>;

    // The view for the bundle's updates in domain (the bundle's update domain when empty).
    // A placeholder that is a button opens the view in a window of its own; any other placeholder
    // is replaced by the view in its parent box. None without a placeholder, or without both a
    // bundle and a domain.
    static std::unique_ptr<OVVCUpdateViewController_V100> initWithSacrificialView(
        Gtk::Widget* sacrificialView, std::optional<ProductBundle> bundle, std::string bundleID,
        StartUpdater startUpdater = {});
    ~OVVCUpdateViewController_V100();

    Gtk::Widget& updaterView() { return *updaterView_; }

    void updateStatusString();
    void changeFrequency();
    void changeAutoUpdate();
    // sender: the Check Now button (true) or the automatic start (false).
    void checkNow(bool fromButton);
    void updateCheckComplete();
    void statusChange(const Value& userInfo);
    void showUpdateSheet();
    void privacyPolicy();
    void dismissPrivacy();

    // The controls, for the window that hosts the view and for tests.
    Gtk::CheckButton& checkUpdatesButton() { return *checkUpdatesButton_; }
    Gtk::DropDown& frequencyPopup() { return *frequencyPopup_; }
    Gtk::Label& lastStatus() { return *lastStatus_; }
    Gtk::Button& checkNowButton() { return *checkNow_; }
    Gtk::ProgressBar& progressBar() { return *progessBar_; }
    int checkNowTag() const { return checkNowTag_; }
    // The interval (seconds) of each pop-up item; 0 marks an item that chooses nothing.
    static const std::vector<std::pair<std::string, int>>& frequencyItems();

private:
    OVVCUpdateViewController_V100(Gtk::Widget* sacrificialView, std::optional<ProductBundle> bundle,
                                  std::string bundleID, StartUpdater startUpdater);
    void build();
    void awakeFromNib();
    void showProgress();
    void hideProgress();
    void setStatus(Date date, const std::string& status);

    std::optional<ProductBundle> enhancerBundle_;
    std::string enhancerBundleID_;
    Gtk::Widget* sacrificialView_;
    StartUpdater startUpdater_;
    Gtk::Box* updaterView_ = nullptr;
    Gtk::CheckButton* checkUpdatesButton_ = nullptr;
    Gtk::DropDown* frequencyPopup_ = nullptr;
    Gtk::Label* lastStatus_ = nullptr;
    Gtk::Button* checkNow_ = nullptr;
    Gtk::ProgressBar* progessBar_ = nullptr;
    Gtk::TextView* privacyText_ = nullptr;
    std::unique_ptr<Gtk::Window> privacyWindow_;
    std::unique_ptr<Gtk::Window> sheet_;
    std::string lastStatusString_;
    std::string oldCheckNowTitle_;
    int checkNowTag_ = 0;
    Timer checkingTimer_;
    Timer completionTimer_;
    sigc::connection pulse_;
    std::filesystem::path launchedUpdater_;
    ObserverToken statusObserver_, completedObserver_;
};

// The same view as a preferences page of its own.
class PrefUpdateModule : public Gtk::Box {
public:
    PrefUpdateModule(ProductBundle bundle, OVVCUpdateViewController_V100::StartUpdater startUpdater = {});
    Gtk::Widget& sacView();
    bool hasChangesPending() const { return false; }
    bool isResizable() const { return false; }
    OVVCUpdateViewController_V100* controller() const { return controller_.get(); }

private:
    std::unique_ptr<OVVCUpdateViewController_V100> controller_;
};

}  // namespace talv::update
