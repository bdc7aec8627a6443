#include "platform/DistributedNotificationCenter.h"

#include "platform/Log.h"

#include <gio/gio.h>

#include <memory>

namespace talv {
namespace {

constexpr const char* kPath = "/orvane/DistributedNotifications";
constexpr const char* kInterface = "orvane.DistributedNotifications";
constexpr const char* kMember = "Notification";

struct BusUnref {
    void operator()(GDBusConnection* c) const { g_object_unref(c); }
};
using BusPtr = std::unique_ptr<GDBusConnection, BusUnref>;

BusPtr sessionBus() {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        logf("Cannot reach the session bus: {}", error ? error->message : "unknown error");
        g_clear_error(&error);
    }
    return BusPtr(bus);
}

// Null values have no D-Bus form; they are left out of arrays and dictionaries.
GVariant* toVariant(const Value& value) {
    switch (value.type()) {
    case Value::Type::Null: return nullptr;
    case Value::Type::Boolean: return g_variant_new_boolean(*value.asBool());
    case Value::Type::Integer: return g_variant_new_int64(*value.asInteger());
    case Value::Type::Real: return g_variant_new_double(*value.asReal());
    case Value::Type::Text: return g_variant_new_string(value.asText()->c_str());
    case Value::Type::Data: {
        const Bytes& d = *value.asData();
        return g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, d.data(), d.size(), 1);
    }
    case Value::Type::Date: return g_variant_new("(d)", value.asDate()->secondsSince1970);
    case Value::Type::Array: {
        GVariantBuilder b;
        g_variant_builder_init(&b, G_VARIANT_TYPE("av"));
        for (const Value& v : *value.asArray())
            if (GVariant* item = toVariant(v)) g_variant_builder_add(&b, "v", item);
        return g_variant_builder_end(&b);
    }
    case Value::Type::Dictionary: {
        GVariantBuilder b;
        g_variant_builder_init(&b, G_VARIANT_TYPE_VARDICT);
        for (const auto& [key, v] : *value.asDictionary())
            if (GVariant* item = toVariant(v)) g_variant_builder_add(&b, "{sv}", key.c_str(), item);
        return g_variant_builder_end(&b);
    }
    }
    return nullptr;
}

Value fromVariant(GVariant* v) {
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_VARIANT)) {
        GVariant* inner = g_variant_get_variant(v);
        Value result = fromVariant(inner);
        g_variant_unref(inner);
        return result;
    }
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_BOOLEAN)) return Value(static_cast<bool>(g_variant_get_boolean(v)));
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_INT64)) return Value(static_cast<std::int64_t>(g_variant_get_int64(v)));
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_INT32)) return Value(static_cast<std::int64_t>(g_variant_get_int32(v)));
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_DOUBLE)) return Value(g_variant_get_double(v));
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_STRING)) return Value(g_variant_get_string(v, nullptr));
    if (g_variant_is_of_type(v, G_VARIANT_TYPE("(d)"))) {
        double seconds = 0;
        g_variant_get(v, "(d)", &seconds);
        return Value(Date{seconds});
    }
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_BYTESTRING)) {
        gsize n = 0;
        auto* p = static_cast<const std::uint8_t*>(g_variant_get_fixed_array(v, &n, 1));
        return Value(Bytes(p, p + n));
    }
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_VARDICT)) {
        Value::Dictionary d;
        GVariantIter it;
        g_variant_iter_init(&it, v);
        const char* key = nullptr;
        GVariant* item = nullptr;
        while (g_variant_iter_next(&it, "{&sv}", &key, &item)) {
            d.emplace(key, fromVariant(item));
            g_variant_unref(item);
        }
        return Value(std::move(d));
    }
    if (g_variant_is_container(v)) {
        Value::Array a;
        GVariantIter it;
        g_variant_iter_init(&it, v);
        while (GVariant* item = g_variant_iter_next_value(&it)) {
            a.push_back(fromVariant(item));
            g_variant_unref(item);
        }
        return Value(std::move(a));
    }
    return {};
}

struct Subscription {
    std::string object;
    DistributedNotificationCenter::Handler handler;
};

void onSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
              gpointer data) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssa{sv})"))) return;
    const auto& subscription = *static_cast<Subscription*>(data);
    const char* name = nullptr;
    const char* object = nullptr;
    GVariant* info = nullptr;
    g_variant_get(parameters, "(&s&s@a{sv})", &name, &object, &info);
    Value userInfo = fromVariant(info);
    g_variant_unref(info);
    if (subscription.object == object) subscription.handler(name, object, userInfo);
}

void deleteSubscription(gpointer data) { delete static_cast<Subscription*>(data); }

}  // namespace

ObserverToken DistributedNotificationCenter::addObserver(const std::string& name, const std::string& object,
                                                         Handler handler) {
    BusPtr bus = sessionBus();
    if (!bus) return {};
    guint id = g_dbus_connection_signal_subscribe(bus.get(), nullptr, kInterface, kMember, kPath, name.c_str(),
                                                  G_DBUS_SIGNAL_FLAGS_NONE, onSignal,
                                                  new Subscription{object, std::move(handler)}, deleteSubscription);
    return ObserverToken([bus = std::shared_ptr<GDBusConnection>(bus.release(), BusUnref{}), id] {
        g_dbus_connection_signal_unsubscribe(bus.get(), id);
    });
}

bool DistributedNotificationCenter::postNotificationName(const std::string& name, const std::string& object,
                                                         const Value& userInfo) {
    BusPtr bus = sessionBus();
    if (!bus) return false;
    GVariant* info = userInfo.asDictionary() ? toVariant(userInfo) : toVariant(Value(Value::Dictionary{}));
    GError* error = nullptr;
    bool sent = g_dbus_connection_emit_signal(bus.get(), nullptr, kPath, kInterface, kMember,
                                              g_variant_new("(ss@a{sv})", name.c_str(), object.c_str(), info), &error) &&
                g_dbus_connection_flush_sync(bus.get(), nullptr, &error);
    if (!sent) {
        logf("Cannot post the notification {}: {}", name, error ? error->message : "unknown error");
        g_clear_error(&error);
    }
    return sent;
}

}  // namespace talv
