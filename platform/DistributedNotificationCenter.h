#pragma once
// Notifications between processes: signals on the D-Bus session bus. Each notification is one
// signal "Notification" of interface "orvane.DistributedNotifications" at the path
// "/orvane/DistributedNotifications" carrying (name, object, user information as a{sv}); a
// date travels as the one-member structure (d) of seconds since 1970 so that it stays a date.
//
// Handlers run on the thread whose thread-default GMainContext was current when they were
// added (the main thread for the application and the updater), as soon as that loop runs.
#include "platform/ObserverToken.h"
#include "platform/Value.h"

#include <functional>
#include <string>

namespace talv {

class DistributedNotificationCenter {
public:
    using Handler = std::function<void(const std::string& name, const std::string& object, const Value& userInfo)>;

    // Observes notifications of that name whose object is that text. An empty token (and a
    // log line) when the session bus cannot be reached.
    [[nodiscard]] static ObserverToken addObserver(const std::string& name, const std::string& object,
                                                   Handler handler);

    // Sends the notification to every observer on the bus (this process's included) and
    // flushes it, so that it is on its way when the call returns. userInfo is a dictionary
    // or null. False (and a log line) when it could not be sent.
    [[nodiscard]] static bool postNotificationName(const std::string& name, const std::string& object,
                                                   const Value& userInfo = {});
};

}  // namespace talv
