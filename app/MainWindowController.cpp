#include "app/MainWindowController.h"

#include "app/ChatImageWindow.h"
#include "app/ChatsTableColumns.h"
#include "app/SelectionGradient.h"
#include "app/SortDescriptorArchive.h"
#include "app/TableFonts.h"
#include "app/ToolbarConfiguration.h"
#include "app/ToolbarCustomizeDialog.h"
#include "app/URLTextField.h"
#include "display/ApplicationResources.h"
#include "platform/Paths.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <fmt/format.h>
#include <glibmm/convert.h>
#include <glibmm/main.h>
#include <gtk/gtk.h>
#include <gtkmm/button.h>
#include <gtkmm/icontheme.h>
#include <gtkmm/image.h>
#include <gtkmm/overlay.h>
#include <gtkmm/stylecontext.h>

namespace talv {
namespace {

constexpr const char* kWindowFrameKey = "NSWindow Frame mainWindow";

// Toolbar items that act on the selected chat, with the window actions they trigger.
struct ChatAction {
    const char* identifier;  // toolbar item
    const char* action;      // window action
    const char* label;
    const char* toolTip;
    const char* image;
};
constexpr ChatAction kChatActions[] = {
    {ToolbarItem::kDelete, "delete-chat", N_("Delete Chat"), N_("Delete Selected Chat Transcript"), "Trash"},
    {ToolbarItem::kShowInFinder, "show-in-file-manager", N_("Show in File Manager"),
     N_("Show Selected Transcript File in the File Manager"), "show_in_finder"},
    {ToolbarItem::kPrint, "print", N_("Print"), N_("Print Selected Chat Transcript"), "print"},
};

// The icon of a toolbar image name: the desktop's where one fits, else our own.
std::string iconName(const std::string& image) {
    static const std::map<std::string, std::string> kIcons = {
        {"next", "go-next-symbolic"},          {"prev", "go-previous-symbolic"},
        {"Trash", "user-trash-symbolic"},      {"show_in_finder", "folder-symbolic"},
        {"print", "document-print-symbolic"},  {"customize", "document-properties-symbolic"},
        {"iChat", "talvessa-ichat-symbolic"},  {"Adium", "talvessa-adium-symbolic"},
        {"Fire", "talvessa-fire-symbolic"},
    };
    auto found = kIcons.find(image);
    if (found != kIcons.end()) return found->second;
    std::string name = "talvessa-" + image + "-symbolic";
    std::replace(name.begin(), name.end(), '_', '-');
    return name;
}

bool iconExists(const std::string& image) {
    return Gtk::IconTheme::get_for_display(Gdk::Display::get_default())->has_icon(iconName(image));
}

Gtk::Button* iconButton(const std::string& image, const std::string& label, const std::string& toolTip, const std::string& action) {
    auto* button = Gtk::make_managed<Gtk::Button>();
    button->set_icon_name(iconName(image));
    button->set_tooltip_text(toolTip);
    button->add_css_class("flat");
    button->set_action_name("win." + action);
    setAccessibleName(*button, label);
    return button;
}

void setLook(Gtk::Widget* item, const ToolbarItemLook& look) {
    auto* button = dynamic_cast<Gtk::Button*>(item);
    if (!button) return;
    button->set_icon_name(iconName(look.image));
    button->set_tooltip_text(look.toolTip);
    setAccessibleName(*button, look.label);
}

Rgba toRgba(const Gdk::RGBA& c) { return {c.get_red(), c.get_green(), c.get_blue(), c.get_alpha()}; }

// The selection of focused tables as a gradient from the theme's selection colour; flat when the
// table or the window lacks the focus.
std::string selectionStyle(Gtk::Widget& widget, const std::string& styleClass) {
    Gdk::RGBA base("#3584e4"), foreground("white");
    auto style = widget.get_style_context();
    style->lookup_color("theme_selected_bg_color", base);
    style->lookup_color("theme_selected_fg_color", foreground);
    const SelectionGradient gradient = selectionGradient(toRgba(base));
    Rgba flat = gradient.base;
    flat.alpha *= 0.3;
    const std::string rows = fmt::format(".{} > listview > row:selected", styleClass);
    const std::string focused = fmt::format(".{}:focus-within > listview > row:selected", styleClass);
    return fmt::format(
        "{0} {{ background-color: {2}; background-image: none; box-shadow: none; }}\n"
        "{1} {{ background-image: linear-gradient(to bottom, {3}, {4}); box-shadow: inset 0 1px {5}; color: {6}; }}\n"
        "window:backdrop {1} {{ background-color: {2}; background-image: none; box-shadow: none; color: inherit; }}\n",
        rows, focused, cssColor(flat), cssColor(gradient.top), cssColor(gradient.bottom), cssColor(gradient.base),
        cssColor(toRgba(foreground)));
}

Gtk::Box& statusBox(Gtk::ProgressBar& bar, Gtk::Label& progress, Gtk::Label& statistics) {
    auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
    box->set_margin_start(8);
    box->set_margin_end(8);
    box->set_margin_top(3);
    box->set_margin_bottom(3);
    bar.set_size_request(120, -1);
    bar.set_valign(Gtk::Align::CENTER);
    bar.set_visible(false);
    progress.set_xalign(0);
    progress.set_hexpand(true);
    progress.set_ellipsize(Pango::EllipsizeMode::END);
    statistics.set_xalign(1);
    for (Gtk::Label* label : {&progress, &statistics}) label->add_css_class("dim-label");
    setAccessibleName(bar, tr("Scan Progress"));
    setAccessibleName(progress, tr("Progress"));
    setAccessibleName(statistics, tr("Statistics"));
    box->append(bar);
    box->append(progress);
    box->append(statistics);
    return *box;
}

}  // namespace

MainWindowController::MainWindowController(const Glib::RefPtr<Gtk::Application>& application, Outlets outlets,
                                           UserDefaults& defaults)
    : outlets_(outlets), defaults_(defaults), application_(application),
      toolbar_([this](const std::string& identifier) { return toolbarItem(identifier); }),
      banner_(Gtk::Orientation::HORIZONTAL, 8), whenTable_(outlets.when, tr("Date"), std::nullopt),
      partsTable_(outlets.participants, tr("Participants"), std::string("title")),
      contTable_(outlets.contents, tr("Contents"), std::nullopt),
      transcriptViewController_({webView_, defaults, [this] { return outlets_.talvController.selectedChatID(); },
                                 [this] { return outlets_.talvController.searchText(); }}),
      printer_(webView_), sidebarSplit_(Gtk::Orientation::HORIZONTAL), listSplit_(Gtk::Orientation::VERTICAL),
      viewOptions_(defaults) {
    transcriptViewController_.openChatImage = [](std::int64_t pictureID) { openChatImageWindow(pictureID); };
    transcriptViewController_.openURL = openInDefaultApplication;
    if (application_) application_->add_window(window_);
    window_.set_title("Talvessa");
    window_.set_default_size(1100, 720);
    chatActions_ = std::make_unique<ChatActions>(ChatActions::Outlets{
        window_, outlets_.talvController, [this] { return ds_; }, [this] { return selectedChatDescription(); }, defaults_,
        UserDefaults::forDomain("com.apple.iChat")});
    chatActions_->undoChanged = [this] { validateToolbar(); };
    buildActions();
    buildMenu();
    buildLayout();
    window_.signal_close_request().connect(
        [this] {
            // Closing the window quits.
            if (application_) application_->quit();
            return false;
        },
        false);
}

MainWindowController::~MainWindowController() {
    observations_.clear();
    if (application_) application_->remove_window(window_);
}

void MainWindowController::buildLayout() {
    // The search field, placed by the toolbar's "SearchField" item.
    searchField_.set_size_request(200, -1);
    // GtkSearchEntry is no GtkEntry in GTK 4.8: the property is set by name.
    g_object_set(searchField_.gobj(), "placeholder-text", tr("Search Transcripts").c_str(), nullptr);
    searchField_.set_tooltip_text(tr("Search Chat Transcripts"));
    setAccessibleName(searchField_, tr("Search Transcripts"));
    searchField_.signal_changed().connect([this] {
        if (!updatingSearchField_) outlets_.talvController.setSearchText(searchField_.get_text());
    });

    // The banner: the database problem and a link to the folder that holds the file.
    banner_.add_css_class("talv-banner");
    banner_.set_visible(false);
    auto* icon = Gtk::make_managed<Gtk::Image>();
    icon->set_from_icon_name("dialog-error-symbolic");
    bannerMessage_.set_wrap(true);
    bannerMessage_.set_xalign(0);
    bannerMessage_.set_hexpand(true);
    bannerMessage_.set_selectable(true);
    banner_.append(*icon);
    banner_.append(bannerMessage_);
    setAccessibleName(banner_, tr("Archive Problem"));

    // Left: the date ranges, the participants (taking the height left) and the contents.
    auto* sidebar = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
    for (FilterListView* table : {&whenTable_, &partsTable_, &contTable_}) {
        table->widget().set_has_frame(true);
        table->widget().set_propagate_natural_height(table != &partsTable_);
        sidebar->append(table->widget());
    }
    partsTable_.widget().set_vexpand(true);
    sidebar->set_size_request(180, -1);

    // Right: the chats over the transcript; a hint stands over an empty list.
    emptyHint_.set_halign(Gtk::Align::CENTER);
    emptyHint_.set_valign(Gtk::Align::CENTER);
    emptyHint_.set_justification(Gtk::Justification::CENTER);
    emptyHint_.set_size_request(420, -1);
    emptyHint_.add_css_class("talv-hint");
    emptyHint_.set_can_target(true);
    setAccessibleName(emptyHint_, tr("No chats"));
    auto* overlay = Gtk::make_managed<Gtk::Overlay>();
    overlay->set_child(chatsTable_.widget());
    overlay->add_overlay(emptyHint_);
    chatsTable_.widget().set_has_frame(true);
    webView_.widget().set_vexpand(true);
    setAccessibleName(webView_.widget(), tr("Transcript"));
    listSplit_.set_start_child(*overlay);
    listSplit_.set_end_child(webView_.widget());
    listSplit_.set_position(300);
    listSplit_.set_resize_start_child(true);
    sidebarSplit_.set_start_child(*sidebar);
    sidebarSplit_.set_end_child(listSplit_);
    sidebarSplit_.set_position(200);
    sidebarSplit_.set_shrink_start_child(false);
    sidebarSplit_.set_vexpand(true);
    sidebarSplit_.set_margin(6);
    sidebarSplit_.set_margin_top(0);

    auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 0);
    toolbar_.widget().set_margin(6);
    content->append(toolbar_.widget());
    content->append(banner_);
    content->append(sidebarSplit_);
    content->append(chatActions_->notificationBar());
    content->append(statusBox(progressBar_, progressLabel_, statisticsLabel_));
    window_.set_child(*content);
}

void MainWindowController::buildActions() {
    const auto add = [this](const std::string& name, std::function<void()> run) {
        auto action = Gio::SimpleAction::create(name);
        action->signal_activate().connect([run = std::move(run)](const Glib::VariantBase&) { run(); });
        window_.add_action(action);
        actions_[name] = action;
    };
    add("find", [this] { focusSearchField(); });
    add("next-item", [this] { nextChatImage(); });
    add("previous-item", [this] { prevChatImage(); });
    add("customize-toolbar", [this] { customizeToolbar(); });
    add("open-in-client", [this] { chatActions_->openInIChat(); });
    add("delete-chat", [this] { chatActions_->deleteChat(); });
    add("undo-delete-chat", [this] { chatActions_->undoDeleteChat(); });
    add("show-in-file-manager", [this] { chatActions_->doShowInFinder(); });
    add("print", [this] { printer_.print(window_); });
    for (const char* name : {"open-in-client", "delete-chat", "undo-delete-chat", "show-in-file-manager", "print"})
        actions_[name]->set_enabled(false);
    if (application_) {
        application_->set_accel_for_action("win.find", "<Primary>f");
        application_->set_accel_for_action("win.next-item", "<Primary>g");
        application_->set_accel_for_action("win.previous-item", "<Primary><Shift>g");
        application_->set_accel_for_action("win.open-in-client", "<Primary>o");
        application_->set_accel_for_action("win.show-in-file-manager", "<Primary><Shift>r");
        application_->set_accel_for_action("win.print", "<Primary>p");
        application_->set_accel_for_action("win.delete-chat", "<Primary>BackSpace");
        application_->set_accel_for_action("win.undo-delete-chat", "<Primary>z");
    }
}

Glib::RefPtr<Gio::SimpleAction> MainWindowController::action(const std::string& name) const {
    auto found = actions_.find(name);
    return found == actions_.end() ? nullptr : found->second;
}

void MainWindowController::buildMenu() {
    menu_ = Gio::Menu::create();
    chatSection_ = Gio::Menu::create();
    viewSection_ = Gio::Menu::create();
    releaseNotesSection_ = Gio::Menu::create();
    auto application = Gio::Menu::create();
    auto preferences = Gio::Menu::create();
    preferences->append(tr("Preferences..."), "app.preferences");
    auto quit = Gio::Menu::create();
    quit->append(tr("Quit Talvessa"), "app.quit");
    application->append_section(preferences);
    application->append_section(viewSection_);
    application->append_section(releaseNotesSection_);
    application->append_section(quit);
    auto edit = Gio::Menu::create();
    edit->append(tr("Undo Delete Chat"), "win.undo-delete-chat");
    edit->append(tr("Find"), "win.find");
    auto chat = Gio::Menu::create();
    chat->append_section(chatSection_);
    auto chatActions = Gio::Menu::create();
    chatActions->append(tr("Show in File Manager"), "win.show-in-file-manager");
    chatActions->append(tr("Print..."), "win.print");
    chatActions->append(tr("Delete Chat..."), "win.delete-chat");
    chat->append_section(chatActions);
    menu_->append_submenu("Talvessa", application);
    menu_->append_submenu(tr("Edit"), edit);
    menu_->append_submenu(tr("Chat"), chat);
    updateMenuTitles();
}

void MainWindowController::addReleaseNotesItem() {
    releaseNotesSection_->remove_all();
    releaseNotesSection_->append(tr("Release Notes"), "app.release-notes");
}

void MainWindowController::updateMenuTitles() {
    viewSection_->remove_all();
    viewSection_->append(viewOptions_.showViewOptionsTitle(), "app.view-options");
    viewSection_->append(tr("Customize Toolbar..."), "win.customize-toolbar");
    chatSection_->remove_all();
    chatSection_->append(nextItemTitle_.empty() ? tr("Next Item") : nextItemTitle_, "win.next-item");
    chatSection_->append(prevItemTitle_.empty() ? tr("Previous Item") : prevItemTitle_, "win.previous-item");
    chatSection_->append(openIChatTitle_.empty() ? tr("Open in iChat") + tr("...") : openIChatTitle_, "win.open-in-client");
}

Gtk::Widget* MainWindowController::toolbarItem(const std::string& identifier) {
    using namespace ToolbarItem;
    if (identifier == kSearchField) return &searchField_;
    if (identifier == kPrevious) return iconButton("prev", tr("Previous Item"), tr("Previous Item"), "previous-item");
    if (identifier == kNext) return iconButton("next", tr("Next Item"), tr("Next Item"), "next-item");
    if (identifier == kOpenInIChat) return iconButton("iChat", tr("Open in iChat"), tr("Open Selected Transcript in iChat"), "open-in-client");
    if (identifier == kCustomize) return iconButton("customize", tr("Customize Toolbar..."), tr("Customize Toolbar..."), "customize-toolbar");
    for (const ChatAction& chatAction : kChatActions) {
        if (identifier == chatAction.identifier)
            return iconButton(chatAction.image, tr(chatAction.label), tr(chatAction.toolTip), chatAction.action);
    }
    return nullptr;
}

void MainWindowController::setToolbarItems(const std::vector<std::string>& identifiers) {
    toolbar_.setItems(identifiers);
    validateToolbar();
}

void MainWindowController::awakeFromNib() {
    Gtk::IconTheme::get_for_display(Gdk::Display::get_default())->add_search_path((applicationResourcesDirectory() / "icons").string());
    restoreWindowFrame();
    nextItemTitle_ = tr("Next Item");
    prevItemTitle_ = tr("Previous Item");
    openIChatTitle_ = tr("Open in iChat") + tr("...");
    setToolbarItems(ToolbarItem::loadConfiguration(defaults_));

    reconcileColumns();
    restoreChatsTable();
    if (chatsTable_.sortDescriptors().empty()) {
        if (auto sort = defaultSortResource("defaultSort-chatsTable")) chatsTable_.setSortDescriptors(*sort);
    }
    const std::pair<FilterListView*, const char*> filterTables[] = {
        {&partsTable_, "defaultSort-partsTable"}, {&contTable_, "defaultSort-contTable"}, {&whenTable_, "defaultSort-whenTable"}};
    for (const auto& [table, resource] : filterTables) {
        if (!table->list().sortDescriptors().empty()) continue;
        if (auto sort = defaultSortResource(resource)) table->setSortDescriptors(*sort);
    }

    observations_.push_back(outlets_.contents.observeSelection([this] { updateItemTitles(); }));
    observations_.push_back(outlets_.contents.observeArrangedObjects([this] { updateItemTitles(); }));
    observations_.push_back(outlets_.talvController.observeSearchText([this] {
        if (std::string(searchField_.get_text()) != outlets_.talvController.searchText()) {
            updatingSearchField_ = true;
            searchField_.set_text(outlets_.talvController.searchText());
            updatingSearchField_ = false;
        }
        updateItemTitles();
        transcriptViewController_.observeValueForKeyPath("searchText");
    }));
    observations_.push_back(outlets_.talvController.observeSelectedChatID([this] { selectedChatDidChange(); }));
    observations_.push_back(outlets_.talvController.observeStatisticsText([this] {
        statisticsLabel_.set_text(outlets_.talvController.statisticsText());
        updateEmptyHint();
    }));

    transcriptViewController_.awakeFromNib();
    applyChatsTableFont();
    for (const char* key : {"TableFontSize", "TableFontName"})
        observations_.push_back(defaults_.addObserver(key, [this](const std::optional<Value>&) { applyChatsTableFont(); }));
    applyCriteriaFont(systemFontSize());
    for (const char* key : {"CriteriaFontSize", "CriteriaFontName"})
        observations_.push_back(defaults_.addObserver(key, [this](const std::optional<Value>&) { applyCriteriaFont(smallSystemFontSize()); }));
    for (const ChatsTableColumn& column : kChatsTableColumns) {
        observations_.push_back(defaults_.addObserver(column.key, [this](const std::optional<Value>&) {
            reconcileColumns();
            saveChatsTable();
        }));
    }
    selectionStyle_.set(selectionStyle(window_, selectionStyle_.styleClass()));
    // A double click on a row opens its chat; the header and the space below the rows do not activate.
    chatsTable_.columnView().signal_activate().connect([this](guint) { chatActions_->openInIChat(); });
    viewOptions_.titleChanged = [this] { updateMenuTitles(); };
    updateItemTitles();
    selectedChatDidChange();
    updateEmptyHint();
}

void MainWindowController::showWindow() {
    if (window_.get_visible()) return;
    window_.present();
    chatsTable_.columnView().grab_focus();
    chatActions_->doIChatPrefsCheck();
}

void MainWindowController::focusSearchField() {
    if (toolbar_.itemWidget(ToolbarItem::kSearchField)) searchField_.grab_focus();
}

void MainWindowController::reconcileColumns() {
    chatsTable_.showColumns(reconciledColumns(chatsTable_.columnIdentifiers(), defaults_));
}

void MainWindowController::saveChatsTable() {
    defaults_.setObject("ChatsTable_Sort", archiveSortDescriptors(chatsTable_.sortDescriptors()));
    Value::Array columns;
    for (const std::string& identifier : chatsTable_.columnIdentifiers()) {
        columns.emplace_back(Value::Dictionary{{"_id", identifier}, {"_width", static_cast<double>(chatsTable_.columnWidth(identifier))}});
    }
    defaults_.setObject("ChatsTable_Columns", std::move(columns));
    defaults_.synchronize();
}

void MainWindowController::restoreChatsTable() {
    if (auto saved = defaults_.objectForKey("ChatsTable_Sort"); saved && saved->asData()) {
        if (auto descriptors = unarchiveSortDescriptors(*saved->asData())) chatsTable_.setSortDescriptors(*descriptors);
    }
    const Value::Array columns = defaults_.arrayForKey("ChatsTable_Columns");
    for (std::size_t position = 0; position < columns.size(); ++position) {
        const Value* identifier = columns[position].find("_id");
        const std::vector<std::string> shown = chatsTable_.columnIdentifiers();
        const auto at = identifier ? std::find(shown.begin(), shown.end(), identifier->textOr("")) : shown.end();
        if (at == shown.end()) continue;
        if (const Value* width = columns[position].find("_width")) chatsTable_.setColumnWidth(*at, static_cast<int>(width->realOr(0)));
        if (position < shown.size() && static_cast<std::size_t>(at - shown.begin()) != position) chatsTable_.moveColumn(*at, position);
    }
}

void MainWindowController::applicationWillTerminate() {
    saveChatsTable();
    saveWindowFrame();
    ChatImageWindowController::closeAll();
}

void MainWindowController::saveWindowFrame() {
    defaults_.setObject(kWindowFrameKey, Value::Dictionary{{"width", std::int64_t{window_.get_width()}},
                                                           {"height", std::int64_t{window_.get_height()}},
                                                           {"maximized", window_.is_maximized()},
                                                           {"sidebar", std::int64_t{sidebarSplit_.get_position()}},
                                                           {"list", std::int64_t{listSplit_.get_position()}}});
}

void MainWindowController::restoreWindowFrame() {
    const Value::Dictionary frame = defaults_.dictionaryForKey(kWindowFrameKey);
    const auto number = [&](const char* key) {
        auto found = frame.find(key);
        return found == frame.end() ? 0 : static_cast<int>(found->second.integerOr(0));
    };
    if (number("width") > 200 && number("height") > 200) window_.set_default_size(number("width"), number("height"));
    if (number("maximized")) window_.maximize();
    if (number("sidebar") > 0) sidebarSplit_.set_position(number("sidebar"));
    if (number("list") > 0) listSplit_.set_position(number("list"));
}

void MainWindowController::applyChatsTableFont() {
    chatsFont_.set(tableFontStyle(chatsFont_.styleClass(),
                                  tableFont(window_, defaults_, "TableFontName", "TableFontSize", smallSystemFontSize())));
}

void MainWindowController::applyCriteriaFont(double fallbackPoints) {
    criteriaFont_.set(tableFontStyle(criteriaFont_.styleClass(),
                                     tableFont(window_, defaults_, "CriteriaFontName", "CriteriaFontSize", fallbackPoints)));
}

void MainWindowController::showProgress(bool animates, double percent, const std::string& text) {
    progressBar_.set_visible(animates);
    progressBar_.set_fraction(std::clamp(percent / 100.0, 0.0, 1.0));
    progressLabel_.set_text(text);
}

void MainWindowController::showDatabaseProblem(const std::string& message, const std::filesystem::path& folder) {
    bannerMessage_.set_text(message);
    auto* link = Gtk::make_managed<URLTextField>("<a>" + tr("Open its folder") + "</a>");
    link->setURLString(Glib::filename_to_uri(folder.string()));
    setAccessibleName(*link, tr("Open its folder"));
    banner_.append(*link);
    banner_.set_visible(true);
}

ChatProperty MainWindowController::chatProperty() const {
    return [ds = ds_](const std::string& column) { return ds ? ds->objectForCurrentChatProperty(column) : std::nullopt; };
}

bool MainWindowController::isNextPrevLinksEnabled() const {
    return talv::isNextPrevLinksEnabled(outlets_.contents, outlets_.talvController.searchText(),
                                        outlets_.talvController.selectedChatID().has_value(), chatProperty());
}

int MainWindowController::selectItemMode() const {
    return talv::selectItemMode(outlets_.contents, outlets_.talvController.searchText());
}

void MainWindowController::nextChatImage() { announce(selectItem(webView_, true, selectItemMode())); }

void MainWindowController::prevChatImage() { announce(selectItem(webView_, false, selectItemMode())); }

void MainWindowController::announce(const std::optional<SteppedItem>& item) {
    // The page's own accessible tree lives in the web process; a screen reader learns of the
    // active item from the transcript pane's description.
    std::string description;
    if (item) {
        const std::string text = webView_.evaluateWebScript("document.getElementById('" + item->id + "').textContent").value_or("");
        description = formatString(tr("%@ %d of %d: %@"), {item->kind, static_cast<std::int64_t>(item->position + 1),
                                                          static_cast<std::int64_t>(item->count), text});
    }
    gtk_accessible_update_property(GTK_ACCESSIBLE(webView_.widget().gobj()), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                   description.c_str(), -1);
}

void MainWindowController::updateItemTitles() {
    const ItemTitles titles = nextPrevItemTitles(outlets_.contents, outlets_.talvController.searchText());
    nextItemTitle_ = titles.next;
    prevItemTitle_ = titles.previous;
    updateMenuTitles();
    validateToolbar();
}

void MainWindowController::selectedChatDidChange() {
    const std::optional<std::string> kind = chatProperty()("kind");
    openIChatTitle_ = formatString("%@%@", {openInClientLook(kind).label, tr("...")});
    updateMenuTitles();
    validateToolbar();
    transcriptViewController_.observeValueForKeyPath("selectedChatID");
}

void MainWindowController::validateToolbar() {
    const bool nextPrev = isNextPrevLinksEnabled();
    for (const char* name : {"next-item", "previous-item"}) {
        if (auto found = action(name)) found->set_enabled(nextPrev);
    }
    const std::string& search = outlets_.talvController.searchText();
    setLook(toolbar_.itemWidget(ToolbarItem::kNext), nextPrevItemLook(true, outlets_.contents, search, iconExists));
    setLook(toolbar_.itemWidget(ToolbarItem::kPrevious), nextPrevItemLook(false, outlets_.contents, search, iconExists));
    const std::optional<std::string> kind =
        outlets_.talvController.selectedChatID() ? chatProperty()("kind") : std::optional<std::string>();
    setLook(toolbar_.itemWidget(ToolbarItem::kOpenInIChat), openInClientLook(kind));
    const bool chatSelected = ds_ && outlets_.talvController.selectedChatID();
    for (const char* name : {"open-in-client", "delete-chat", "show-in-file-manager", "print"}) action(name)->set_enabled(chatSelected);
    action("undo-delete-chat")->set_enabled(ds_ && chatActions_->canUndo());
}

std::string MainWindowController::selectedChatDescription() const {
    const std::optional<std::size_t> row = chatsTable_.selectedRow();
    if (!row) return {};
    return formatString("%@ – %@", {chatsTable_.cellText("participants", *row), chatsTable_.cellText("datestarted", *row)});
}

void MainWindowController::updateEmptyHint() {
    const bool empty = chatsTable_.numberOfRows() == 0;
    if (empty) {
        const std::string home = Paths::transcriptsHome().string();
        emptyHint_.setRuns({URLTextView::Run{tr("No chats to show.") + "\n" +
                                                 tr("Talvessa lists the iChat, Adium and Fire transcripts it finds under") + " ",
                                             std::nullopt},
                            URLTextView::Run{home, Glib::filename_to_uri(home)}, URLTextView::Run{".", std::nullopt}});
    }
    emptyHint_.set_visible(empty);
}

void MainWindowController::toggleViewOptions() { viewOptions_.toggle(window_); }

void MainWindowController::customizeToolbar() {
    if (!customizeDialog_) {
        customizeDialog_ = std::make_unique<ToolbarCustomizeDialog>(window_, toolbar_.items(), [this](const std::vector<std::string>& items) {
            setToolbarItems(items);
            ToolbarItem::saveConfiguration(defaults_, items);
        });
        customizeDialog_->set_hide_on_close(true);
    }
    customizeDialog_->present();
}

}  // namespace talv
