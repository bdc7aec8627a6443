#pragma once
// The application controller: prepares both databases, registers the initial user defaults,
// creates the main window, the query engine, the scan driver and the picture fetcher, fills the
// filter lists when launching has finished, keeps the date ranges current across midnight (and
// across sleep), and turns the scan driver's progress records into the progress line. It holds
// the shared state the window shows: search text, selected chat, statistics line, busy flag.
// Made on the main thread before the application runs; lives as long as it.
#include "app/MainWindowController.h"
#include "app/MidnightTimer.h"
#include "app/TalvPreferences.h"
#include "browse/BrowseState.h"
#include "browse/TalSQLiteDataSource.h"
#include "browse/TalvFilterArrayController.h"
#include "import/ScanProgress.h"
#include "import/TalvHelperController.h"

#include <giomm/dbusconnection.h>
#include <gtkmm/application.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace talv {

class TalABPictureFetcher;

class TalvController {
public:
    struct Options {
        // The scan driver indexes the chat clients' folders (tests of the window leave it off).
        bool scanTranscripts = true;
        // The time the midnight timer and the date ranges count from.
        MidnightTimer::Clock clock = &Date::now;
    };

    // Connects to the application's start-up, activation and shut-down.
    TalvController(const Glib::RefPtr<Gtk::Application>& application, Options options);
    ~TalvController();
    TalvController(const TalvController&) = delete;
    TalvController& operator=(const TalvController&) = delete;

    // A scan driver's progress record ("State", "Kind", "TotalFiles", "CurrentFile", "Percent").
    void helperNotificationScan(const Value& record);
    void rechargeMidnightTimer();
    void midnightTimer();
    void showViewOptions();
    void showPreferences();
    void doReleaseNotes();

    MainWindowController* windowController() { return windowController_.get(); }
    TalSQLiteDataSource* ds() { return ds_.get(); }
    BrowseState& state() { return state_; }
    TalvFilterArrayController& chatFilterContentsController() { return contents_; }
    TalvFilterArrayController& chatFilterPartController() { return participants_; }
    TalvFilterArrayController& chatFilterWhenController() { return when_; }
    const ScanProgress& progress() const { return progress_; }
    const MidnightTimer& midnight() const { return midnightTimer_; }
    // Made while launching finishes.
    TalvPreferences* preferences() { return preferences_.get(); }
    // The message the banner shows when the archive could not be opened.
    const std::optional<std::string>& databaseProblem() const { return databaseProblem_; }

private:
    class ProgressReceiver;

    void init();
    void awakeFromNib();
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    void watchForWake();
    // The date ranges count from the new day; the chats list is rebuilt.
    void startNewDay();
    void registerApplicationActions();

    Glib::RefPtr<Gtk::Application> application_;
    Options options_;
    UserDefaults& defaults_;
    TalvFilterArrayController contents_, participants_, when_;
    BrowseState state_;
    ScanProgress progress_;
    MidnightTimer midnightTimer_;
    std::optional<std::string> databaseProblem_;
    std::unique_ptr<MainWindowController> windowController_;
    std::unique_ptr<TalvPreferences> preferences_;
    std::unique_ptr<TalSQLiteDataSource> ds_;
    std::shared_ptr<ProgressReceiver> progressReceiver_;
    std::shared_ptr<TalvHelperController> scanDriver_;
    std::unique_ptr<TalABPictureFetcher> pictureFetcher_;
    Glib::RefPtr<Gio::DBus::Connection> systemBus_;
    guint sleepSubscription_ = 0;
    bool launched_ = false;
    ObserverToken showWindowObservation_;
};

}  // namespace talv
