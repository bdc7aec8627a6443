#pragma once
// The Talvessa window in this process: an archive in the user's own database folder, the
// application controller on a real Gtk::Application (registered, activated, never run), and the
// main loop spun until a condition holds. The scan driver stays off.
#include "app/TalvController.h"
#include "tests/browse/BrowseFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace talv::test {

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Starts the application as a launch would; the date list then stands on All.
    void launch(TalvController::Options options = {});
    // Quits as the application would (the layout is saved) and destroys everything.
    void quit();

    MainWindowController& window() { return *controller->windowController(); }
    // Builds the chats list now instead of 0.5 seconds later.
    void refilter();
    // Selects a listed chat by its row and waits until its page has loaded.
    void selectRow(std::size_t row);
    void spinUntil(const std::function<bool()>& done, double seconds = 30);
    void spinFor(double seconds);

    static inline bool displayReady = false;
    std::unique_ptr<Archive> archive;
    Glib::RefPtr<Gtk::Application> application;
    std::unique_ptr<TalvController> controller;
};

}  // namespace talv::test
