// The update preference view in real GTK widgets: Check Now turns to Cancel while the updater
// runs and back when it reports completion over the session bus.
#include "platform/DistributedNotificationCenter.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "tests/support/TestEnvironment.h"
#include "update/UpdateKeys.h"
#include "updateview/OVVCUpdateViewController_V100.h"

#include <gtest/gtest.h>
#include <gtkmm/init.h>

#include <chrono>
#include <cstdlib>

namespace fs = std::filesystem;
using namespace talv;
using namespace talv::update;

namespace {

bool waitUntil(const std::function<bool()>& condition, double seconds = 10.0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!RunLoop::runUntil(condition, 0.05))
        if (std::chrono::steady_clock::now() > deadline) return false;
    return true;
}

// A click as the user makes it (activate() animates and clicks a moment later).
void click(Gtk::Button& button) { g_signal_emit_by_name(button.gobj(), "clicked"); }

bool shows(Gtk::Label& label, const std::string& text) {
    return std::string(label.get_text()).find(text) != std::string::npos;
}

// Writes what the window shows to TALV_SCREENSHOT_DIR/<name>.png when that is set.
void saveScreenshot(Gtk::Window& window, const std::string& name) {
    const char* dir = std::getenv("TALV_SCREENSHOT_DIR");
    if (!dir) return;
    waitUntil([] { return false; }, 0.5);
    auto paintable = Gtk::WidgetPaintable::create(window);
    const int w = window.get_width(), h = window.get_height();
    GtkSnapshot* snapshot = gtk_snapshot_new();
    gdk_paintable_snapshot(GDK_PAINTABLE(paintable->gobj()), snapshot, w, h);
    GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
    GskRenderer* renderer = gtk_native_get_renderer(GTK_NATIVE(window.gobj()));
    GdkTexture* texture = gsk_renderer_render_texture(renderer, node, nullptr);
    gdk_texture_save_to_png(texture, (fs::path(dir) / (name + ".png")).c_str());
    g_object_unref(texture);
    gsk_render_node_unref(node);
}

class UpdateViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool displayReady = std::getenv("DISPLAY") && gtk_init_check() && (Gtk::init_gtkmm_internals(), true);
        if (!displayReady) GTEST_SKIP() << "no display: run under xvfb-run";
        static int counter = 0;
        domain = "orvane.view" + std::to_string(++counter);
        test::writeFile(dir / "Talvessa" / "Info.plist",
                        Value(Value::Dictionary{{"CFBundleIdentifier", "orvane.talvessa"},
                                                {"EnhancerModuleID", domain},
                                                {"CFBundleName", "Talvessa"}})
                            .toXmlPlist());
        cancels = DistributedNotificationCenter::addObserver(
            kCancelUpdateNotification, domain, [this](const std::string&, const std::string&, const Value&) { ++cancelled; });
    }

    void open() {
        page = Gtk::make_managed<PrefUpdateModule>(*ProductBundle::atPath(dir / "Talvessa"),
                                                   [this](const ProductBundle&, const std::string& d, fs::path* launched) {
                                                       started.push_back(d);
                                                       *launched = "/usr/libexec/orvane-updater";
                                                       return startResult;
                                                   });
        window = std::make_unique<Gtk::Window>();
        window->set_title("Talvessa Preferences");
        window->set_child(*page);
        window->present();
        waitUntil([&] { return window->get_mapped(); });
    }
    OVVCUpdateViewController_V100& view() { return *page->controller(); }
    UserDefaults& defaults() { return UserDefaults::forDomain(domain); }

    test::TempDir dir;
    std::string domain;
    std::unique_ptr<Gtk::Window> window;  // made once GTK is up
    PrefUpdateModule* page = nullptr;
    std::vector<std::string> started;
    int startResult = 0;
    int cancelled = 0;
    ObserverToken cancels;
};

}  // namespace

TEST_F(UpdateViewTest, CheckNowTurnsToCancelUntilTheUpdaterReportsCompletion) {
    ASSERT_TRUE(defaults().setObject(kLastCheckDate, Date::now()));
    ASSERT_TRUE(defaults().setObject(kLastCheckStatus, "No new software updates were available."));
    open();
    EXPECT_EQ(view().checkNowButton().get_label(), "Check Now");
    EXPECT_FALSE(view().progressBar().get_visible());
    EXPECT_TRUE(shows(view().lastStatus(), "No new software updates were available."));
    saveScreenshot(*window, "update-preferences");

    click(view().checkNowButton());
    EXPECT_EQ(started, std::vector<std::string>{domain});
    EXPECT_EQ(view().checkNowButton().get_label(), "Cancel");
    EXPECT_EQ(view().checkNowTag(), 1);
    EXPECT_TRUE(view().progressBar().get_visible());

    ASSERT_TRUE(DistributedNotificationCenter::postNotificationName(
        kStatusChangeNotification, domain, Value(Value::Dictionary{{"Date", Date::now()}, {"Status", "Checking..."}})));
    ASSERT_TRUE(waitUntil([&] { return shows(view().lastStatus(), "Checking..."); }));
    saveScreenshot(*window, "update-preferences-checking");
    ASSERT_TRUE(defaults().setObject(kLastCheckStatus, "Software Update ran successfully."));
    ASSERT_TRUE(DistributedNotificationCenter::postNotificationName(kUpdateCheckCompletedNotification, domain));
    ASSERT_TRUE(waitUntil([&] { return view().checkNowTag() == 0; }));
    EXPECT_EQ(view().checkNowButton().get_label(), "Check Now");
    EXPECT_TRUE(view().checkNowButton().get_sensitive());
    EXPECT_FALSE(view().progressBar().get_visible());
    EXPECT_TRUE(shows(view().lastStatus(), "Software Update ran successfully."));

    // A start that fails says why and leaves the view at rest.
    startResult = EEXIST;
    click(view().checkNowButton());
    EXPECT_EQ(view().checkNowTag(), 0);
    EXPECT_FALSE(view().progressBar().get_visible());
    EXPECT_TRUE(shows(view().lastStatus(), "Failed. Error 17. File exists"));
}

TEST_F(UpdateViewTest, ADueCheckWaitsTenSecondsAndCancelStopsIt) {
    open();  // no check yet: one is due
    EXPECT_EQ(defaults().objectForKey(kCheckForUpdates), Value(true));
    EXPECT_EQ(defaults().objectForKey(kCheckInterval), Value(std::int64_t{604800}));
    EXPECT_EQ(view().checkNowButton().get_label(), "Cancel");
    EXPECT_TRUE(shows(view().lastStatus(), "Checking..."));
    EXPECT_EQ(view().frequencyPopup().get_selected(), 1u);

    click(view().checkNowButton());
    ASSERT_TRUE(waitUntil([&] { return cancelled == 1; }));
    EXPECT_FALSE(view().checkNowButton().get_sensitive());
    ASSERT_TRUE(waitUntil([&] { return view().checkNowTag() == 0; }, 5.0));
    EXPECT_EQ(view().checkNowButton().get_label(), "Check Now");
    waitUntil([] { return false; }, 0.5);
    EXPECT_TRUE(started.empty());
}

TEST_F(UpdateViewTest, TheIntervalMenuStoresItsTagAndSelectsByInterval) {
    ASSERT_TRUE(defaults().setObject(kLastCheckDate, Date::now()));
    ASSERT_TRUE(defaults().setObject(kCheckInterval, 100000));
    open();
    EXPECT_EQ(view().frequencyPopup().get_selected(), 0u);  // Daily: the last item not above 100000
    view().frequencyPopup().set_selected(2);
    EXPECT_EQ(defaults().integerForKey(kCheckInterval), 2592000);
    view().frequencyPopup().set_selected(0);
    EXPECT_EQ(defaults().integerForKey(kCheckInterval), 86400);
    view().checkUpdatesButton().set_active(false);
    EXPECT_FALSE(defaults().boolForKey(kCheckForUpdates, true));
}
