// Every test process of this suite gets a session bus of its own (a real dbus-daemon), so the
// updater's notifications never reach the desktop the tests run on.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class PrivateSessionBus : public ::testing::Environment {
public:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        const std::string kept = display ? display : "";
        bus_ = g_test_dbus_new(G_TEST_DBUS_NONE);
        g_test_dbus_up(bus_);  // unsets DISPLAY, which the interface tests need
        if (display) setenv("DISPLAY", kept.c_str(), 1);
        // The process's shared connection must not end the process when the bus stops at exit.
        connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (connection_) g_dbus_connection_set_exit_on_close(connection_, false);
    }
    // Stopped, not taken down: the process's shared connection stays open until it exits.
    void TearDown() override {
        if (connection_) {
            g_dbus_connection_close_sync(connection_, nullptr, nullptr);
            g_object_unref(connection_);
        }
        g_test_dbus_stop(bus_);
        g_object_unref(bus_);
    }

private:
    GTestDBus* bus_ = nullptr;
    GDBusConnection* connection_ = nullptr;
};

const auto* const gBus = ::testing::AddGlobalTestEnvironment(new PrivateSessionBus);

}  // namespace
