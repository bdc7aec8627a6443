#include "app/TalvController.h"

#include "app/URLTextField.h"
#include "browse/FilterEntries.h"
#include "display/ApplicationResources.h"
#include "identity/DatabaseStartup.h"
#include "identity/TalABPictureFetcher.h"
#include "identity/TalvCacheDatabase.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Strings.h"
#include "store/TalvDatabase.h"
#include "update/LaunchCheck.h"

#include <glibmm/convert.h>

#include <filesystem>
#include <system_error>

namespace talv {
namespace {

constexpr const char* kShowWindowNotification = "orvane.talv.showWindow";
constexpr const char* kReleaseNotes = "Release Notes.html";

std::filesystem::path executablePath() {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : path;
}

}  // namespace

// Receives the scan driver's records on the main thread for as long as the controller lives.
class TalvController::ProgressReceiver : public ScanProgressReceiver {
public:
    explicit ProgressReceiver(TalvController& controller) : controller_(controller) {}
    void helperNotificationScan(const Value& record) override { controller_.helperNotificationScan(record); }

private:
    TalvController& controller_;
};

TalvController::TalvController(const Glib::RefPtr<Gtk::Application>& application, Options options)
    : application_(application), options_(std::move(options)), defaults_(UserDefaults::standard()),
      midnightTimer_([this] { startNewDay(); }, options_.clock) {
    application_->signal_startup().connect([this] {
        init();
        awakeFromNib();
        applicationWillFinishLaunching();
    });
    application_->signal_activate().connect([this] {
        if (!launched_) applicationDidFinishLaunching();
        else NotificationCenter::defaultCenter().postNotificationName(kShowWindowNotification);
    });
    application_->signal_shutdown().connect([this] { applicationWillTerminate(); });
}

TalvController::~TalvController() {
    if (sleepSubscription_ && systemBus_) systemBus_->signal_unsubscribe(sleepSubscription_);
    progressReceiver_.reset();
    scanDriver_.reset();
    pictureFetcher_.reset();
    ds_.reset();
    preferences_.reset();
    windowController_.reset();
}

void TalvController::init() {
    databaseProblem_ = prepareDatabases();
    defaults_.registerDefaults({
        {"ChatDisplayTimestamps", true},
        {"ChatDisplaySystemMessages", false},
        {"SUDisabled.tal", false},
        {"SUHowOften.tal", 7},
    });
    defaults_.setObject("TalvLocation", executablePath().string());
}

void TalvController::awakeFromNib() {
    progress_ = ScanProgress();
    windowController_ = std::make_unique<MainWindowController>(
        application_, MainWindowController::Outlets{contents_, participants_, when_, state_}, defaults_);
    auto db = databaseProblem_ ? std::nullopt : TalvDatabase::open();
    auto cacheDB = TalvCacheDatabase::open();
    if (db && cacheDB) {
        ds_ = std::make_unique<TalSQLiteDataSource>(
            TalSQLiteDataSource::Outlets{contents_, participants_, when_, state_, windowController_->chatsTable()},
            std::move(*db), std::move(*cacheDB));
    } else if (!databaseProblem_) {
        databaseProblem_ = tr("The identity cache cannot be opened.");
    }
    windowController_->setDataSource(ds_.get());
    application_->set_menubar(windowController_->menuModel());
    windowController_->window().set_show_menubar(true);
    windowController_->awakeFromNib();
    windowController_->showProgress(false, 0.0, "");
    if (databaseProblem_) windowController_->showDatabaseProblem(*databaseProblem_, Paths::applicationSupport());
    if (options_.scanTranscripts && ds_) {
        progressReceiver_ = std::make_shared<ProgressReceiver>(*this);
        scanDriver_ = TalvHelperController::create(progressReceiver_);
    }
}

void TalvController::registerApplicationActions() {
    const auto add = [this](const char* name, std::function<void()> run) {
        auto action = Gio::SimpleAction::create(name);
        action->signal_activate().connect([run = std::move(run)](const Glib::VariantBase&) { run(); });
        application_->add_action(action);
        return action;
    };
    add("preferences", [this] { showPreferences(); });
    add("view-options", [this] { showViewOptions(); });
    add("release-notes", [this] { doReleaseNotes(); });
    add("quit", [this] { application_->quit(); });
    application_->set_accel_for_action("app.quit", "<Primary>q");
    application_->set_accel_for_action("app.view-options", "<Primary>j");
    application_->set_accel_for_action("app.preferences", "<Primary>comma");
}

void TalvController::applicationWillFinishLaunching() {
    // The toolbar of the preferences window is laid out afresh at every launch.
    (void)defaults_.removeObjectForKey("NSToolbar Configuration NSPreferences");  // nothing is lost if it stays
    preferences_ = std::make_unique<TalvPreferences>(windowController_->window(), defaults_);
    registerApplicationActions();
    showWindowObservation_ = NotificationCenter::defaultCenter().addObserver(
        kShowWindowNotification, nullptr, [this](const Notification&) { windowController_->showWindow(); });
    watchForWake();
    pictureFetcher_ = std::make_unique<TalABPictureFetcher>();
    if (auto bundle = update::ProductBundle::atPath(applicationResourcesDirectory())) update::runLaunchTimeUpdateCheck(*bundle);
    std::error_code ec;
    if (std::filesystem::exists(applicationResourcesDirectory() / kReleaseNotes, ec)) windowController_->addReleaseNotesItem();
    // Becoming active counts as the application's activation.
    windowController_->window().property_is_active().signal_changed().connect([this] {
        if (windowController_->window().is_active()) rechargeMidnightTimer();
    });
}

void TalvController::applicationDidFinishLaunching() {
    launched_ = true;
    NotificationCenter::defaultCenter().postNotificationName(kShowWindowNotification);
    prepareWhenFilters(when_, options_.clock());
    preparePartFilters(participants_);
    prepareContentsFilters(contents_);
    rechargeMidnightTimer();
    if (ds_) ds_->applicationDidFinishLaunching();
    if (scanDriver_) scanDriver_->applicationDidFinishLaunching();
}

void TalvController::applicationWillTerminate() {
    if (windowController_) windowController_->applicationWillTerminate();
    // The running pass commits what it has read; the threads are joined.
    scanDriver_.reset();
    pictureFetcher_.reset();
}

void TalvController::watchForWake() {
    // logind announces sleep and wake-up on the system bus; without one, activation suffices.
    Gio::DBus::Connection::get(Gio::DBus::BusType::SYSTEM, [this](const Glib::RefPtr<Gio::AsyncResult>& result) {
        try {
            systemBus_ = Gio::DBus::Connection::get_finish(result);
        } catch (const Glib::Error&) {
            return;
        }
        sleepSubscription_ = systemBus_->signal_subscribe(
            [this](const Glib::RefPtr<Gio::DBus::Connection>&, const Glib::ustring&, const Glib::ustring&, const Glib::ustring&,
                   const Glib::ustring&, const Glib::VariantContainerBase& parameters) {
                Glib::Variant<bool> sleeping;
                parameters.get_child(sleeping, 0);
                if (!sleeping.get()) rechargeMidnightTimer();
            },
            "org.freedesktop.login1", "org.freedesktop.login1.Manager", "PrepareForSleep", "/org/freedesktop/login1");
    });
}

void TalvController::helperNotificationScan(const Value& record) {
    const ScanProgress::Change change = progress_.apply(record);
    if (!change.shown) return;
    windowController_->showProgress(progress_.animates(), progress_.percent(), progress_.text());
    if (change.refilter && ds_) {
        ds_->setSql(std::nullopt);
        ds_->refilter();
    }
}

void TalvController::rechargeMidnightTimer() {
    if (launched_) midnightTimer_.rechargeMidnightTimer();
}

void TalvController::midnightTimer() { midnightTimer_.midnightTimer(); }

void TalvController::startNewDay() {
    prepareWhenFilters(when_, options_.clock());
    if (ds_) {
        ds_->setSql(std::nullopt);
        ds_->refilter();
    }
}

void TalvController::showViewOptions() { windowController_->toggleViewOptions(); }

void TalvController::showPreferences() { preferences_->showPreferencesPanel(); }

void TalvController::doReleaseNotes() {
    openInDefaultApplication(Glib::filename_to_uri((applicationResourcesDirectory() / kReleaseNotes).string()));
}

}  // namespace talv
