#pragma once
// The main window: the three filter tables beside the chats table, the transcript pane, the
// toolbar with the search field, the progress and statistics line, and the banner that reports
// an archive that cannot be opened. It keeps the chats table's columns, widths and sort across
// launches, applies the table fonts, keeps the toolbar valid and steps Next and Previous through
// the displayed page. Closing the window quits. Main thread only.
#include "app/ChatActions.h"
#include "app/ChatsColumnView.h"
#include "app/FilterListView.h"
#include "app/ItemNavigation.h"
#include "app/TalToolbar.h"
#include "app/TranscriptPrinter.h"
#include "app/TalViewOptionsController.h"
#include "app/URLTextView.h"
#include "app/WebKitTranscriptView.h"
#include "app/WidgetSupport.h"
#include "browse/BrowseState.h"
#include "browse/TalSQLiteDataSource.h"
#include "display/TalTranscriptViewController.h"
#include "platform/UserDefaults.h"

#include <giomm/menu.h>
#include <giomm/simpleaction.h>
#include <gtkmm/application.h>
#include <gtkmm/applicationwindow.h>
#include <gtkmm/label.h>
#include <gtkmm/paned.h>
#include <gtkmm/progressbar.h>
#include <gtkmm/searchentry.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace talv {

class ToolbarCustomizeDialog;

class MainWindowController {
public:
    struct Outlets {
        TalvFilterArrayController& contents;
        TalvFilterArrayController& participants;
        TalvFilterArrayController& when;
        BrowseState& talvController;
    };

    MainWindowController(const Glib::RefPtr<Gtk::Application>& application, Outlets outlets, UserDefaults& defaults);
    ~MainWindowController();
    MainWindowController(const MainWindowController&) = delete;
    MainWindowController& operator=(const MainWindowController&) = delete;

    // The query engine, once it exists (none when the archive cannot be opened).
    void setDataSource(TalSQLiteDataSource* ds) { ds_ = ds; }
    // Restores the layout and the fonts, lays out the toolbar and starts observing; after the
    // engine was connected.
    void awakeFromNib();
    // Shows the window when it is not visible; the first time, offers to switch iChat's saving on.
    void showWindow();
    void focusSearchField();
    void reconcileColumns();
    void saveChatsTable();
    void restoreChatsTable();
    // Saves the chats table's layout and the window's size.
    void applicationWillTerminate();

    // The progress line, its indicator and the statistics line under the chats list.
    void showProgress(bool animates, double percent, const std::string& text);
    // The banner over the window: `message` and a link to `folder`.
    void showDatabaseProblem(const std::string& message, const std::filesystem::path& folder);

    const std::string& nextItemTitle() const { return nextItemTitle_; }
    const std::string& prevItemTitle() const { return prevItemTitle_; }
    // "Open in iChat...", "Open in Adium...", "Open in Fire..." by the selected chat's kind.
    const std::string& openIChatTitle() const { return openIChatTitle_; }
    bool isNextPrevLinksEnabled() const;
    int selectItemMode() const;
    void nextChatImage();
    void prevChatImage();
    // Sets the toolbar items' state, looks and the actions' enabling from the current selection.
    void validateToolbar();
    void toggleViewOptions();
    // Adds "Release Notes" to the application menu.
    void addReleaseNotesItem();
    void customizeToolbar();

    Gtk::ApplicationWindow& window() { return window_; }
    ChatsColumnView& chatsTable() { return chatsTable_; }
    FilterListView& whenTable() { return whenTable_; }
    FilterListView& partsTable() { return partsTable_; }
    FilterListView& contTable() { return contTable_; }
    Gtk::SearchEntry& searchField() { return searchField_; }
    WebKitTranscriptView& webView() { return webView_; }
    TalTranscriptViewController& transcriptViewController() { return transcriptViewController_; }
    TranscriptPrinter& printer() { return printer_; }
    TalToolbar& toolbar() { return toolbar_; }
    TalViewOptionsController& viewOptions() { return viewOptions_; }
    ToolbarCustomizeDialog* customizeDialog() { return customizeDialog_.get(); }
    ChatActions& chatActions() { return *chatActions_; }
    Gtk::Label& statisticsLabel() { return statisticsLabel_; }
    Gtk::Label& progressLabel() { return progressLabel_; }
    bool isBannerShown() const { return banner_.get_visible(); }
    // Whether the transcript pane shows the selected chat's page, loaded.
    bool isPageCurrent() const { return transcriptViewController_.isPageCurrent() && !webView_.isLoading(); }
    const Glib::RefPtr<Gio::Menu>& menuModel() const { return menu_; }
    Glib::RefPtr<Gio::SimpleAction> action(const std::string& name) const;

private:
    void buildLayout();
    void buildActions();
    void buildMenu();
    void updateMenuTitles();
    Gtk::Widget* toolbarItem(const std::string& identifier);
    void setToolbarItems(const std::vector<std::string>& identifiers);
    void applyChatsTableFont();
    void applyCriteriaFont(double fallbackPoints);
    void updateItemTitles();
    void selectedChatDidChange();
    void updateEmptyHint();
    void saveWindowFrame();
    void restoreWindowFrame();
    ChatProperty chatProperty() const;
    // "<participants> – <date started>" of the selected row, as drawn.
    std::string selectedChatDescription() const;
    // Describes the active item of the page for assistive technologies.
    void announce(const std::optional<SteppedItem>& item);

    Outlets outlets_;
    UserDefaults& defaults_;
    TalSQLiteDataSource* ds_ = nullptr;
    Glib::RefPtr<Gtk::Application> application_;

    Gtk::ApplicationWindow window_;
    Gtk::SearchEntry searchField_;
    TalToolbar toolbar_;
    Gtk::Box banner_;
    Gtk::Label bannerMessage_;
    ChatsColumnView chatsTable_;
    FilterListView whenTable_, partsTable_, contTable_;
    WebKitTranscriptView webView_;
    TalTranscriptViewController transcriptViewController_;
    TranscriptPrinter printer_;
    URLTextView emptyHint_;
    Gtk::Paned sidebarSplit_, listSplit_;
    Gtk::ProgressBar progressBar_;
    Gtk::Label progressLabel_, statisticsLabel_;
    TalViewOptionsController viewOptions_;
    std::unique_ptr<ToolbarCustomizeDialog> customizeDialog_;
    std::unique_ptr<ChatActions> chatActions_;
    ClassStyleSheet chatsFont_{"talv-chats"}, criteriaFont_{"talv-criteria"}, selectionStyle_{"talv-pretty"};

    Glib::RefPtr<Gio::Menu> menu_, chatSection_, viewSection_, releaseNotesSection_;
    std::map<std::string, Glib::RefPtr<Gio::SimpleAction>> actions_;
    std::string nextItemTitle_, prevItemTitle_, openIChatTitle_;
    bool updatingSearchField_ = false;
    std::vector<ObserverToken> observations_;
};

}  // namespace talv
