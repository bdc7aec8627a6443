#include "tests/app/WindowFixture.h"

#include "platform/Paths.h"
#include "platform/UserDefaults.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <filesystem>

namespace talv::test {

void WindowTest::SetUpTestSuite() { displayReady = std::getenv("DISPLAY") != nullptr; }

void WindowTest::SetUp() {
    if (!displayReady) GTEST_SKIP() << "no display: run under xvfb-run";
    std::filesystem::remove(UserDefaults::standard().filePath());
    UserDefaults::standard().synchronize();
    // No updater is started and no iChat offer stands over the window unless a test wants it.
    ASSERT_TRUE(UserDefaults::standard().setObject("SUCheckForUpdates", false));
    ASSERT_TRUE(UserDefaults::standard().setObject("IChatDontShowAgain", true));
    std::filesystem::remove_all(Paths::applicationSupport());
    archive = std::make_unique<Archive>(Paths::applicationSupport());
}

void WindowTest::TearDown() { quit(); }

void WindowTest::launch(TalvController::Options options) {
    options.scanTranscripts = false;
    // A name of its own per launch: a session bus may still hold the last one's objects.
    static int launches = 0;
    application = Gtk::Application::create("orvane.Talvessa.Test" + std::to_string(++launches), Gio::Application::Flags::NON_UNIQUE);
    controller = std::make_unique<TalvController>(application, std::move(options));
    application->register_application();
    application->activate();
    window().whenTable().selectRows({0});
    if (controller->ds()) refilter();
}

void WindowTest::quit() {
    if (controller) controller->windowController()->applicationWillTerminate();
    controller.reset();
    application.reset();
    spinFor(0.05);
}

void WindowTest::refilter() {
    ASSERT_NE(controller->ds(), nullptr);
    controller->ds()->refilter();
}

void WindowTest::selectRow(std::size_t row) {
    window().chatsTable().selectRow(row);
    spinUntil([&] { return window().isPageCurrent(); });
}

void WindowTest::spinUntil(const std::function<bool()>& done, double seconds) {
    const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(seconds * G_USEC_PER_SEC);
    while (!done() && g_get_monotonic_time() < deadline) {
        if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
    }
    ASSERT_TRUE(done()) << "the condition did not come true in time";
}

void WindowTest::spinFor(double seconds) {
    const gint64 until = g_get_monotonic_time() + static_cast<gint64>(seconds * G_USEC_PER_SEC);
    while (g_get_monotonic_time() < until) {
        if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
    }
}

}  // namespace talv::test
