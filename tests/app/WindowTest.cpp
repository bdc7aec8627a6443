// The Talvessa window in this process, under a virtual X server: the filter tables and the
// Next/Previous rules, stepping through a real page, the saved layout and toolbar across a
// restart, the midnight and progress handling, an archive that cannot be opened, the link view.
#include "app/ItemNavigation.h"
#include "app/MidnightTimer.h"
#include "app/SelectionGradient.h"
#include "app/SortDescriptorArchive.h"
#include "app/TalViewOptionsController.h"
#include "app/ToolbarConfiguration.h"
#include "app/ToolbarCustomizeDialog.h"
#include "platform/Paths.h"
#include "store/TalvDatabase.h"
#include "tests/app/WindowFixture.h"

#include <gtkmm/button.h>

#include <fstream>

namespace fs = std::filesystem;

namespace talv::test {
namespace {

std::vector<std::string> titles(const ArrayController& list) {
    std::vector<std::string> result;
    for (std::size_t i : list.selectionIndexes()) result.push_back(list.arrangedObjects()[i].find("title")->textOr(""));
    return result;
}

std::string activeAnchor(MainWindowController& window) {
    return window.webView().evaluateWebScript("getActiveAnchor();").value_or("");
}

class Window : public WindowTest {
protected:
    void addChats() {
        ChatRow links;
        links.subject = "Links and mail";
        links.kind = "iChat";
        links.dateStarted = 1700000000;
        links.links = links.emails = true;
        links.messages = {{"bob", "see http://example.com/one and then http://example.org/two"},
                          {"bob", "or mail ann@example.com about the example"}};
        linksChat = archive->add(links);
        ChatRow fire;
        fire.subject = "By Fire";
        fire.kind = "Fire";
        fire.fileName = "fire.session";
        fire.dateStarted = 1600000000;
        fireChat = archive->add(fire);
    }
    std::int64_t linksChat = 0, fireChat = 0;
};

TEST_F(Window, FilterTablesKeepAllAloneAndNameNextAndPrevious) {
    addChats();
    launch();
    MainWindowController& w = window();
    TalvFilterArrayController& contents = controller->chatFilterContentsController();

    w.whenTable().selectRows({0, 3});
    EXPECT_EQ(titles(controller->chatFilterWhenController()), std::vector<std::string>{"All"});
    w.contTable().selectRows({0, 2});
    EXPECT_EQ(titles(contents), std::vector<std::string>{"All"});
    EXPECT_EQ(w.nextItemTitle(), "Next E-mail, Link or Picture");
    EXPECT_EQ(w.selectItemMode(), 14);

    w.contTable().selectRows({1, 2});
    EXPECT_EQ(w.nextItemTitle(), "Next E-mail or Link");
    EXPECT_EQ(w.prevItemTitle(), "Previous E-mail or Link");
    EXPECT_EQ(w.selectItemMode(), NavigationMode::kEmails | NavigationMode::kLinks);

    controller->state().setSearchText("example");
    EXPECT_EQ(w.nextItemTitle(), "Next Text");
    EXPECT_EQ(w.selectItemMode(), NavigationMode::kSearchMatches);
    EXPECT_EQ(std::string(w.searchField().get_text()), "example");
}

TEST_F(Window, NextAndPreviousWrapThroughThePageAndSearchStepsThroughMatchesOnly) {
    addChats();
    launch();
    MainWindowController& w = window();
    w.contTable().selectRows({2});  // Links
    refilter();
    ASSERT_EQ(w.chatsTable().numberOfRows(), 1u);
    selectRow(0);
    ASSERT_EQ(controller->state().selectedChatID(), linksChat);
    EXPECT_TRUE(w.isNextPrevLinksEnabled());
    EXPECT_TRUE(w.action("next-item")->get_enabled());

    std::vector<std::string> links;
    for (const std::string& id : w.webView().anchorIDs()) {
        if (id.rfind("_LINK-", 0) == 0) links.push_back(id);
    }
    ASSERT_EQ(links.size(), 2u);
    w.nextChatImage();
    EXPECT_EQ(activeAnchor(w), links[0]);
    w.nextChatImage();
    EXPECT_EQ(activeAnchor(w), links[1]);
    w.nextChatImage();
    EXPECT_EQ(activeAnchor(w), links[0]) << "Next on the last link wraps to the first";
    w.prevChatImage();
    EXPECT_EQ(activeAnchor(w), links[1]) << "Previous on the first link wraps to the last";

    controller->state().setSearchText("example");
    refilter();
    spinUntil([&] {
        for (const std::string& id : w.webView().anchorIDs()) {
            if (id.rfind("_TEXT-", 0) == 0) return !w.webView().isLoading();
        }
        return false;
    });
    for (int i = 0; i < 4; ++i) {
        w.nextChatImage();
        EXPECT_EQ(activeAnchor(w).rfind("_TEXT-", 0), 0u) << activeAnchor(w);
    }
}

TEST_F(Window, ColumnsSortAndToolbarSurviveARestart) {
    addChats();
    launch();
    UserDefaults& defaults = UserDefaults::standard();
    const std::vector<std::string> allColumns{"participants", "topic", "datestarted", "duration", "kind", "filename"};
    EXPECT_EQ(window().chatsTable().columnIdentifiers(), allColumns);
    EXPECT_EQ(window().chatsTable().sortDescriptors(), (std::vector<SortDescriptor>{{"datestarted", false}}));
    EXPECT_EQ(controller->ds()->orderSQL(), " ORDER BY datestarted DESC");
    EXPECT_EQ(window().toolbar().items(), ToolbarItem::defaultItemIdentifiers());

    // Hiding a column removes it and saves at once; showing it appends it with its default width.
    defaults.setObject("ColumnTopic", 0);
    EXPECT_EQ(window().chatsTable().columnIdentifiers().size(), 5u);
    EXPECT_EQ(defaults.arrayForKey("ChatsTable_Columns").size(), 5u);
    defaults.setObject("ColumnTopic", 1);
    EXPECT_EQ(window().chatsTable().columnIdentifiers().back(), "topic");
    EXPECT_EQ(window().chatsTable().columnWidth("topic"), 240);

    window().chatsTable().setColumnWidth("participants", 333);
    window().chatsTable().moveColumn("kind", 0);
    window().chatsTable().setSortDescriptors({{"duration", true}});
    EXPECT_EQ(controller->ds()->orderSQL(), " ORDER BY duration ASC");
    window().customizeToolbar();
    ToolbarCustomizeDialog& dialog = *window().customizeDialog();
    dialog.removeItem(0);
    const auto allowed = ToolbarItem::allowedItemIdentifiers();
    dialog.addItem(static_cast<std::size_t>(std::find(allowed.begin(), allowed.end(), ToolbarItem::kCustomize) - allowed.begin()));
    const std::vector<std::string> toolbar = window().toolbar().items();
    EXPECT_EQ(toolbar, dialog.items());
    const std::vector<std::string> columns = window().chatsTable().columnIdentifiers();

    quit();
    launch();
    EXPECT_EQ(window().chatsTable().columnIdentifiers(), columns);
    EXPECT_EQ(window().chatsTable().columnIdentifiers().front(), "kind");
    EXPECT_EQ(window().chatsTable().columnWidth("participants"), 333);
    EXPECT_EQ(window().chatsTable().sortDescriptors(), (std::vector<SortDescriptor>{{"duration", true}}));
    EXPECT_EQ(controller->ds()->orderSQL(), " ORDER BY duration ASC");
    EXPECT_EQ(window().toolbar().items(), toolbar);
    EXPECT_NE(window().toolbar().itemWidget(ToolbarItem::kCustomize), nullptr);
}

TEST_F(Window, OpenTitleAndViewOptionsFollowTheWindow) {
    addChats();
    launch();
    MainWindowController& w = window();
    ASSERT_EQ(w.chatsTable().numberOfRows(), 2u);
    selectRow(1);
    ASSERT_EQ(controller->state().selectedChatID(), fireChat);
    EXPECT_EQ(w.openIChatTitle(), "Open in Fire...");
    EXPECT_EQ(w.webView().evaluateWebScript("document.body.innerText.includes('example.com/one')"), "false");
    auto* open = dynamic_cast<Gtk::Button*>(w.toolbar().itemWidget(ToolbarItem::kOpenInIChat));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(std::string(open->get_tooltip_text()), "Open Selected Transcript in Fire");
    EXPECT_EQ(std::string(open->get_icon_name()), "talvessa-fire-symbolic");
    selectRow(0);
    EXPECT_EQ(w.openIChatTitle(), "Open in iChat...");
    EXPECT_EQ(w.webView().evaluateWebScript("document.body.innerText.includes('example.com/one')"), "true")
        << "the page follows the selection";

    // The view options: switching all but one column off leaves that one's box disabled.
    TalViewOptionsController& options = w.viewOptions();
    EXPECT_EQ(options.showViewOptionsTitle(), "Show View Options");
    w.toggleViewOptions();
    EXPECT_EQ(options.showViewOptionsTitle(), "Hide View Options");
    for (std::size_t i = 1; i < 6; ++i) options.checkbox(i).set_active(false);
    EXPECT_FALSE(options.checkbox(0).get_sensitive());
    EXPECT_EQ(w.chatsTable().columnIdentifiers(), std::vector<std::string>{"participants"});
    options.checkbox(3).set_active(true);
    EXPECT_TRUE(options.checkbox(0).get_sensitive());
    EXPECT_EQ(TalViewOptionsController::enabledCheckboxes({false, false, false, false, false, false}), std::vector<bool>(6, true));
    w.toggleViewOptions();
    EXPECT_EQ(options.showViewOptionsTitle(), "Show View Options");
}

TEST_F(Window, ProgressRecordsAndMidnight) {
    addChats();
    Date now{localTime(2024, 3, 6, 23, 59, 0)};  // a Wednesday
    launch({.clock = [&] { return now; }});
    EXPECT_EQ(controller->midnight().fireDate(), Date{localTime(2024, 3, 7, 0, 0, 1)});

    // A pass without files changes nothing; "end" keeps the last pass's client and forces a rebuild.
    controller->helperNotificationScan(Value::Dictionary{{"State", "begin"}, {"Kind", "Adium"}, {"TotalFiles", 0}});
    EXPECT_EQ(std::string(window().progressLabel().get_text()), "");
    controller->helperNotificationScan(Value::Dictionary{{"State", "begin"}, {"Kind", "Adium"}, {"TotalFiles", 4}});
    EXPECT_EQ(std::string(window().progressLabel().get_text()), "Scanning Adium transcript 0 of 4...");
    EXPECT_TRUE(controller->progress().animates());
    controller->ds()->setSql("stale");
    controller->helperNotificationScan(Value::Dictionary{{"State", "end"}, {"Kind", ""}, {"TotalFiles", 4}});
    EXPECT_EQ(std::string(window().progressLabel().get_text()), "Scanning Adium transcript 4 of 4...");
    EXPECT_NE(controller->ds()->sql(), "stale");

    // Activation on the same day only replaces the timer.
    const Value::Array dates = controller->chatFilterWhenController().arrangedObjects();
    now = now.addingSeconds(30);
    controller->rechargeMidnightTimer();
    EXPECT_EQ(controller->chatFilterWhenController().arrangedObjects(), dates);
    EXPECT_EQ(titles(controller->chatFilterWhenController()), std::vector<std::string>{"All"});

    // Waking two days later rebuilds the date list and the chats list once, and sets the next timer.
    now = Date{localTime(2024, 3, 9, 10, 0, 0)};
    controller->ds()->setSql("stale");
    controller->rechargeMidnightTimer();
    EXPECT_NE(controller->chatFilterWhenController().arrangedObjects(), dates);
    EXPECT_EQ(titles(controller->chatFilterWhenController()), std::vector<std::string>{"This Week"});
    EXPECT_NE(controller->ds()->sql(), "stale");
    EXPECT_EQ(controller->midnight().fireDate(), Date{localTime(2024, 3, 10, 0, 0, 1)});
    // 00:00:01 of the next day also when that day starts daylight saving.
    EXPECT_EQ(MidnightTimer::nextFireDate(CalendarDate(Date{localTime(2024, 3, 9, 23, 59, 59)})),
              Date{localTime(2024, 3, 10, 0, 0, 1)});
}

TEST_F(Window, AnArchiveThatCannotBeOpenedShowsABannerAndStaysUntouched) {
    archive.reset();
    const fs::path file = Paths::applicationSupport() / std::string(TalvDatabase::kFileName);
    fs::create_directories(file.parent_path());
    const std::string garbage(8192, 'x');
    writeFile(file, garbage);
    launch();
    EXPECT_TRUE(window().isBannerShown());
    ASSERT_TRUE(controller->databaseProblem());
    EXPECT_NE(controller->databaseProblem()->find(file.string()), std::string::npos) << *controller->databaseProblem();
    EXPECT_EQ(window().chatsTable().numberOfRows(), 0u);
    quit();
    EXPECT_EQ(readFile(file), garbage);
}

TEST_F(Window, LinkViewTurnsOrangeOnlyWhilePressedInside) {
    launch();
    Gtk::Window host;
    URLTextView view;
    std::vector<std::string> opened;
    view.openURL = [&](const std::string& url) { opened.push_back(url); };
    view.setRuns({{"Read ", std::nullopt}, {"the notes", std::string("https://example.com/notes")}, {" today.", std::nullopt}});
    host.set_child(view);
    host.set_default_size(400, 100);
    host.present();
    spinUntil([&] { return view.get_width() > 0; });
    spinFor(0.1);

    Gdk::Rectangle box;
    view.get_iter_location(view.get_buffer()->get_iter_at_offset(8), box);  // inside "the notes"
    int x = 0, y = 0;
    view.buffer_to_window_coords(Gtk::TextWindowType::WIDGET, box.get_x() + 1, box.get_y() + box.get_height() / 2, x, y);
    ASSERT_TRUE(view.mouseDown(x, y));
    EXPECT_TRUE(view.isLinkPressed());
    view.mouseDragged(x, y + 60);
    EXPECT_FALSE(view.isLinkPressed());
    view.mouseDragged(x, y);
    EXPECT_TRUE(view.isLinkPressed());
    view.mouseUp(x, y + 60);
    EXPECT_FALSE(view.isLinkPressed());
    EXPECT_TRUE(opened.empty());
    ASSERT_TRUE(view.mouseDown(x, y));
    view.mouseUp(x, y);
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.com/notes"});
    EXPECT_FALSE(view.mouseDown(2, y + 60)) << "a press below the text is no press on a link";
}

TEST(WindowParts, SortArchivesAndSelectionColours) {
    const std::vector<SortDescriptor> sort{{"datestarted", false}, {"participants", true}};
    EXPECT_EQ(unarchiveSortDescriptors(archiveSortDescriptors(sort)), sort);
    EXPECT_EQ(unarchiveSortDescriptors(archiveSortDescriptors({})), std::vector<SortDescriptor>{});
    EXPECT_EQ(unarchiveSortDescriptors(Bytes{'b', 'p', 'l', 'i', 's', 't'}), std::nullopt);
    EXPECT_EQ(unarchiveSortDescriptors(Value(Value::Array{"datestarted"}).toBinaryPlist()), std::nullopt);
    EXPECT_EQ(defaultSortResource("defaultSort-whenTable"), (std::vector<SortDescriptor>{{"order", true}}));
    EXPECT_EQ(defaultSortResource("defaultSort-chatsTable"), (std::vector<SortDescriptor>{{"datestarted", false}}));

    // Saturation 0.03 gives flat grey at both ends; brightness 0.8 rises to 1.0 at the top.
    const SelectionGradient grey = selectionGradient({0.8, 0.8, 0.776, 1});
    EXPECT_DOUBLE_EQ(grey.top.red, 1.0);
    EXPECT_DOUBLE_EQ(grey.top.blue, 1.0);
    EXPECT_NEAR(grey.bottom.red, 0.755, 1e-9);
    EXPECT_NEAR(grey.bottom.blue, 0.755, 1e-9);
    const SelectionGradient blue = selectionGradient({0.2, 0.4, 0.8, 1});  // saturation 0.75, brightness 0.8
    EXPECT_LT(blue.bottom.red, blue.base.red);
    EXPECT_GT(blue.top.red, blue.base.red);
    EXPECT_EQ(cssColor(blue.base), "rgba(51,102,204,1)");
}

}  // namespace
}  // namespace talv::test
