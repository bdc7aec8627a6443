#pragma once
// Notifications between processes: D-Bus signals on the session bus. A notification is the
// signal "Posted" of interface "orvane.DistributedNotifications" at path
// "/orvane/DistributedNotifications", arguments (name, object, user information as a{sv}).
#include "platform/ObserverToken.h"
#include "platform/Value.h"

#include <functional>
#include <string>
#include <string_view>

namespace talv {

// Sends the notification to every process on the session bus and waits until it has left.
// False, with a log line, when there is no session bus or the send failed.
[[nodiscard]] bool postDistributedNotification(std::string_view name, std::string_view object,
                                               const Value::Dictionary& userInfo);

using DistributedNotificationHandler = std::function<void(const Value::Dictionary& userInfo)>;

// Calls handler for each notification of that name from any sender, on the calling thread's
// thread-default main context, while the token lives. An empty token, with a log line, when
// there is no session bus.
[[nodiscard]] ObserverToken observeDistributedNotifications(const std::string& name,
                                                            DistributedNotificationHandler handler);

}  // namespace talv
