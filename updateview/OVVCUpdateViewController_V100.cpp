#include "updateview/OVVCUpdateViewController_V100.h"

#include "browse/TalvDateTransformer.h"
#include "platform/CalendarDate.h"
#include "platform/DistributedNotificationCenter.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"
#include "platform/UserDefaults.h"
#include "update/UpdateKeys.h"
#include "update/UpdaterLauncher.h"

#include <glib.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace talv::update {
namespace {

std::atomic<bool> gLogStuff{false};

void setAccessibleLabel(Gtk::Widget& widget, const std::string& label) {
    gtk_accessible_update_property(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, label.c_str(), -1);
}

std::string shortStyle(Date date) { return TalvDateTransformer().transformedValue(CalendarDate(date)); }
std::string fullStyle(Date date) {
    return CalendarDate(date).descriptionWithCalendarFormat("%A, %B %e, %Y %1I:%M:%S %p %Z");
}

}  // namespace

const std::vector<std::pair<std::string, int>>& OVVCUpdateViewController_V100::frequencyItems() {
    static const std::vector<std::pair<std::string, int>> items = {
        {N_("Daily"), 86400}, {N_("Weekly"), 604800}, {N_("Monthly"), 2592000}};
    return items;
}

std::unique_ptr<OVVCUpdateViewController_V100> OVVCUpdateViewController_V100::initWithSacrificialView(
    Gtk::Widget* sacrificialView, std::optional<ProductBundle> bundle, std::string bundleID, StartUpdater startUpdater) {
    if (!sacrificialView || (!bundle && bundleID.empty())) return nullptr;
    if (bundleID.empty()) bundleID = bundle->updateDomain();
    if (bundleID.empty()) return nullptr;
    std::unique_ptr<OVVCUpdateViewController_V100> controller(
        new OVVCUpdateViewController_V100(sacrificialView, std::move(bundle), std::move(bundleID), std::move(startUpdater)));
    gLogStuff = UserDefaults::forDomain(kUpdaterDomain).boolForKey(kLogStuff);
    controller->build();
    controller->awakeFromNib();
    return controller;
}

OVVCUpdateViewController_V100::OVVCUpdateViewController_V100(Gtk::Widget* sacrificialView,
                                                             std::optional<ProductBundle> bundle, std::string bundleID,
                                                             StartUpdater startUpdater)
    : enhancerBundle_(std::move(bundle)),
      enhancerBundleID_(std::move(bundleID)),
      sacrificialView_(sacrificialView),
      startUpdater_(std::move(startUpdater)) {
    if (!startUpdater_)
        startUpdater_ = [](const ProductBundle& b, const std::string& d, fs::path* launched) {
            return update::startUpdater(b, d, findUpdaterExecutable(), launched);
        };
}

OVVCUpdateViewController_V100::~OVVCUpdateViewController_V100() { pulse_.disconnect(); }

// The view's layout: what the interface file held.
void OVVCUpdateViewController_V100::build() {
    updaterView_ = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 10);
    updaterView_->set_margin(16);
    setAccessibleLabel(*updaterView_, tr("Software Update"));

    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
    checkUpdatesButton_ = Gtk::make_managed<Gtk::CheckButton>(tr("Check for updates:"));
    std::vector<Glib::ustring> titles;
    for (const auto& [title, seconds] : frequencyItems()) titles.push_back(tr(title));
    frequencyPopup_ = Gtk::make_managed<Gtk::DropDown>(titles);
    setAccessibleLabel(*frequencyPopup_, tr("How often to check for updates"));
    row->append(*checkUpdatesButton_);
    row->append(*frequencyPopup_);
    updaterView_->append(*row);

    lastStatus_ = Gtk::make_managed<Gtk::Label>(tr("Last check: %@, %@"));
    lastStatus_->set_xalign(0);
    lastStatus_->set_wrap(true);
    setAccessibleLabel(*lastStatus_, tr("Last check"));
    updaterView_->append(*lastStatus_);

    auto* actions = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
    checkNow_ = Gtk::make_managed<Gtk::Button>(tr("Check Now"));
    progessBar_ = Gtk::make_managed<Gtk::ProgressBar>();
    progessBar_->set_hexpand(true);
    progessBar_->set_valign(Gtk::Align::CENTER);
    progessBar_->set_visible(false);
    setAccessibleLabel(*progessBar_, tr("Update check in progress"));
    auto* privacy = Gtk::make_managed<Gtk::Button>(tr("Privacy Statement…"));
    actions->append(*checkNow_);
    actions->append(*progessBar_);
    actions->append(*privacy);
    updaterView_->append(*actions);

    checkUpdatesButton_->signal_toggled().connect([this] { changeAutoUpdate(); });
    checkNow_->signal_clicked().connect([this] { checkNow(true); });
    privacy->signal_clicked().connect([this] { privacyPolicy(); });
}

void OVVCUpdateViewController_V100::awakeFromNib() {
    statusObserver_ = DistributedNotificationCenter::addObserver(
        kStatusChangeNotification, enhancerBundleID_,
        [this](const std::string&, const std::string&, const Value& info) { statusChange(info); });
    completedObserver_ = DistributedNotificationCenter::addObserver(
        kUpdateCheckCompletedNotification, enhancerBundleID_,
        [this](const std::string&, const std::string&, const Value&) { updateCheckComplete(); });

    UserDefaults& defaults = UserDefaults::forDomain(enhancerBundleID_);
    defaults.synchronize();
    lastStatusString_ = lastStatus_->get_text();
    oldCheckNowTitle_ = checkNow_->get_label();
    updateStatusString();

    bool automatic = true;
    if (!defaults.objectForKey(kCheckForUpdates)) {
        if (!defaults.setObject(kCheckForUpdates, true)) logf("Cannot write {} into {}", kCheckForUpdates, enhancerBundleID_);
    } else {
        automatic = defaults.boolForKey(kCheckForUpdates, true);
    }
    checkUpdatesButton_->set_active(automatic);

    double interval = kDefaultCheckInterval;
    auto stored = defaults.objectForKey(kCheckInterval);
    if (!stored || !(stored->asInteger() || stored->asReal())) {
        if (!defaults.setObject(kCheckInterval, static_cast<std::int64_t>(kDefaultCheckInterval)))
            logf("Cannot write {} into {}", kCheckInterval, enhancerBundleID_);
    } else if (stored->realOr(0) >= 1.0) {
        interval = stored->realOr(0);
    }

    const Date now = Date::now();
    auto last = defaults.objectForKey(kLastCheckDate);
    const Date* lastDate = last ? last->asDate() : nullptr;
    if (automatic && (!lastDate || lastDate->addingSeconds(interval) <= now)) {
        if (gLogStuff && lastDate)
            logf("Last check plus interval ({}) is earlier than now ({})", fullStyle(lastDate->addingSeconds(interval)),
                 fullStyle(now));
        showProgress();
        lastStatus_->set_text(formatString(lastStatusString_, {shortStyle(now), tr("Checking...")}));
        checkNowTag_ = 1;
        checkNow_->set_label(tr("Cancel"));
        checkingTimer_ = RunLoop::scheduledTimer(now.addingSeconds(10.0), [this] { checkNow(false); });
    }

    guint selected = 0;
    const auto& items = frequencyItems();
    for (guint i = 0; i < items.size(); ++i)
        if (items[i].second != 0 && items[i].second <= interval) selected = i;
    frequencyPopup_->set_selected(selected);
    frequencyPopup_->property_selected().signal_changed().connect([this] { changeFrequency(); });

    if (auto* button = dynamic_cast<Gtk::Button*>(sacrificialView_)) {
        button->signal_clicked().connect([this] { showUpdateSheet(); });
    } else if (auto* box = dynamic_cast<Gtk::Box*>(sacrificialView_->get_parent())) {
        updaterView_->set_halign(Gtk::Align::CENTER);
        box->insert_child_after(*updaterView_, *sacrificialView_);
        box->remove(*sacrificialView_);
        sacrificialView_ = nullptr;
    } else {
        logf("The update view has no box to take the place of its placeholder");
    }
}

void OVVCUpdateViewController_V100::setStatus(Date date, const std::string& status) {
    lastStatus_->set_text(formatString(lastStatusString_, {shortStyle(date), status}));
    lastStatus_->set_tooltip_text(formatString(lastStatusString_, {fullStyle(date), status}));
}

void OVVCUpdateViewController_V100::updateStatusString() {
    UserDefaults& defaults = UserDefaults::forDomain(enhancerBundleID_);
    auto status = defaults.objectForKey(kLastCheckStatus);
    auto date = defaults.objectForKey(kLastCheckDate);
    setStatus(date && date->asDate() ? *date->asDate() : Date::now(),
              status && status->asText() ? *status->asText() : tr("Never checked for updates."));
}

void OVVCUpdateViewController_V100::changeAutoUpdate() {
    UserDefaults& defaults = UserDefaults::forDomain(enhancerBundleID_);
    if (!defaults.setObject(kCheckForUpdates, checkUpdatesButton_->get_active()) || !defaults.synchronize())
        logf("Cannot write {} into {}", kCheckForUpdates, enhancerBundleID_);
}

void OVVCUpdateViewController_V100::changeFrequency() {
    const guint selected = frequencyPopup_->get_selected();
    if (selected >= frequencyItems().size()) return;
    const int tag = frequencyItems()[selected].second;
    if (tag < 2) return;
    UserDefaults& defaults = UserDefaults::forDomain(enhancerBundleID_);
    if (!defaults.setObject(kCheckInterval, std::int64_t{tag}) || !defaults.synchronize())
        logf("Cannot write {} into {}", kCheckInterval, enhancerBundleID_);
}

void OVVCUpdateViewController_V100::checkNow(bool fromButton) {
    showProgress();
    if (fromButton && checkNowTag_ != 0) {
        checkingTimer_.invalidate();
        checkNow_->set_sensitive(false);
        if (!DistributedNotificationCenter::postNotificationName(kCancelUpdateNotification, enhancerBundleID_))
            logf("The updater of {} could not be asked to cancel", enhancerBundleID_);
        completionTimer_ = RunLoop::scheduledTimer(Date::now().addingSeconds(2.0), [this] { updateCheckComplete(); });
        return;
    }
    checkNow_->set_sensitive(false);
    const int status = enhancerBundle_ ? startUpdater_(*enhancerBundle_, enhancerBundleID_, &launchedUpdater_) : ENOENT;
    if (status != 0) {
        // The check is over before it began: the view goes back to rest, showing why.
        updateCheckComplete();
        const std::string failure = formatString(tr("Failed. Error %d. %s"), {std::int64_t{status}, std::strerror(status)});
        setStatus(Date::now(), failure);
    } else {
        if (fromButton) {
            checkNowTag_ = 1;
            checkNow_->set_label(tr("Cancel"));
        }
        UserDefaults& defaults = UserDefaults::forDomain(enhancerBundleID_);
        if (!defaults.setObject(kLastCheckDate, Date::now()) || !defaults.synchronize())
            logf("Cannot write {} into {}", kLastCheckDate, enhancerBundleID_);
    }
    checkNow_->set_sensitive(true);
}

void OVVCUpdateViewController_V100::updateCheckComplete() {
    if (gLogStuff) logf("Completed");
    completionTimer_.invalidate();
    hideProgress();
    checkNow_->set_label(oldCheckNowTitle_);
    checkNowTag_ = 0;
    checkNow_->set_sensitive(true);
    UserDefaults::forDomain(enhancerBundleID_).synchronize();
    updateStatusString();
}

void OVVCUpdateViewController_V100::statusChange(const Value& info) {
    if (gLogStuff) logf("{}", info.toXmlPlist());
    const Value* date = info.find("Date");
    const Value* status = info.find("Status");
    if (date && date->asDate() && status && status->asText()) setStatus(*date->asDate(), *status->asText());
}

void OVVCUpdateViewController_V100::showProgress() {
    if (progessBar_->get_visible()) return;
    progessBar_->set_visible(true);
    pulse_ = Glib::signal_timeout().connect(
        [this] {
            progessBar_->pulse();
            return true;
        },
        100);
}

void OVVCUpdateViewController_V100::hideProgress() {
    pulse_.disconnect();
    progessBar_->set_visible(false);
}

void OVVCUpdateViewController_V100::showUpdateSheet() {
    if (!sheet_) {
        sheet_ = std::make_unique<Gtk::Window>();
        sheet_->set_title(tr("Software Update"));
        sheet_->set_modal(true);
        sheet_->set_hide_on_close(true);
        sheet_->set_child(*updaterView_);
    }
    if (auto* owner = sacrificialView_ ? dynamic_cast<Gtk::Window*>(sacrificialView_->get_root()) : nullptr)
        sheet_->set_transient_for(*owner);
    sheet_->present();
}

void OVVCUpdateViewController_V100::privacyPolicy() {
    const fs::path document = enhancerBundle_ ? enhancerBundle_->path() / "SUPrivacyStatement.txt" : fs::path();
    if (document.empty() || !fs::exists(document)) {
        logf("Cannot find path for SUPrivacyStatement.rtfd");
        updaterView_->error_bell();
        return;
    }
    if (!privacyWindow_) {
        privacyWindow_ = std::make_unique<Gtk::Window>();
        privacyWindow_->set_title(tr("Privacy Statement"));
        privacyWindow_->set_modal(true);
        privacyWindow_->set_hide_on_close(true);
        privacyWindow_->set_default_size(480, 360);
        auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 8);
        box->set_margin(12);
        auto* scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
        scroller->set_vexpand(true);
        privacyText_ = Gtk::make_managed<Gtk::TextView>();
        privacyText_->set_editable(false);
        privacyText_->set_wrap_mode(Gtk::WrapMode::WORD);
        setAccessibleLabel(*privacyText_, tr("Privacy Statement"));
        scroller->set_child(*privacyText_);
        auto* ok = Gtk::make_managed<Gtk::Button>(tr("OK"));
        ok->set_halign(Gtk::Align::END);
        ok->signal_clicked().connect([this] { dismissPrivacy(); });
        box->append(*scroller);
        box->append(*ok);
        privacyWindow_->set_child(*box);
    }
    std::ifstream in(document);
    std::ostringstream text;
    text << in.rdbuf();
    privacyText_->get_buffer()->set_text(in ? text.str() : formatString(tr("Cannot load %@"), {document.string()}));
    if (auto* owner = dynamic_cast<Gtk::Window*>(updaterView_->get_root())) privacyWindow_->set_transient_for(*owner);
    privacyWindow_->present();
}

void OVVCUpdateViewController_V100::dismissPrivacy() {
    if (privacyWindow_) privacyWindow_->set_visible(false);
}

PrefUpdateModule::PrefUpdateModule(ProductBundle bundle, OVVCUpdateViewController_V100::StartUpdater startUpdater)
    : Gtk::Box(Gtk::Orientation::VERTICAL) {
    auto* placeholder = Gtk::make_managed<Gtk::Label>();
    append(*placeholder);
    controller_ = OVVCUpdateViewController_V100::initWithSacrificialView(placeholder, std::move(bundle), "",
                                                                         std::move(startUpdater));
}

Gtk::Widget& PrefUpdateModule::sacView() { return controller_ ? controller_->updaterView() : *this; }

}  // namespace talv::update
