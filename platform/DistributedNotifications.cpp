#include "platform/DistributedNotifications.h"

#include "platform/Log.h"

#include <gio/gio.h>

#include <memory>

namespace talv {
namespace {

constexpr const char* kPath = "/orvane/DistributedNotifications";
constexpr const char* kInterface = "orvane.DistributedNotifications";
constexpr const char* kMember = "Posted";

GVariant* toVariant(const Value& value);

GVariant* dictionaryToVariant(const Value::Dictionary& dictionary) {
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE_VARDICT);
    for (const auto& [key, member] : dictionary) {
        if (GVariant* v = toVariant(member)) g_variant_builder_add(&builder, "{sv}", key.c_str(), v);
    }
    return g_variant_builder_end(&builder);
}

// Null has no D-Bus form and is left out; a date travels as its seconds since 1970.
GVariant* toVariant(const Value& value) {
    switch (value.type()) {
    case Value::Type::Null: return nullptr;
    case Value::Type::Boolean: return g_variant_new_boolean(*value.asBool());
    case Value::Type::Integer: return g_variant_new_int64(*value.asInteger());
    case Value::Type::Real: return g_variant_new_double(*value.asReal());
    case Value::Type::Text: return g_variant_new_string(value.asText()->c_str());
    case Value::Type::Date: return g_variant_new_double(value.asDate()->secondsSince1970);
    case Value::Type::Data: {
        const Bytes& data = *value.asData();
        return g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, data.data(), data.size(), 1);
    }
    case Value::Type::Array: {
        GVariantBuilder builder;
        g_variant_builder_init(&builder, G_VARIANT_TYPE("av"));
        for (const Value& element : *value.asArray()) {
            if (GVariant* v = toVariant(element)) g_variant_builder_add(&builder, "v", v);
        }
        return g_variant_builder_end(&builder);
    }
    case Value::Type::Dictionary: return dictionaryToVariant(*value.asDictionary());
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
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_UINT32)) return Value(static_cast<std::int64_t>(g_variant_get_uint32(v)));
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_DOUBLE)) return Value(g_variant_get_double(v));
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_STRING)) return Value(std::string(g_variant_get_string(v, nullptr)));
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_BYTESTRING)) {
        gsize size = 0;
        auto* bytes = static_cast<const std::uint8_t*>(g_variant_get_fixed_array(v, &size, 1));
        return Value(Bytes(bytes, bytes + size));
    }
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_VARDICT)) {
        Value::Dictionary dictionary;
        GVariantIter iter;
        g_variant_iter_init(&iter, v);
        const char* key = nullptr;
        GVariant* member = nullptr;
        while (g_variant_iter_next(&iter, "{&sv}", &key, &member)) {
            dictionary.insert_or_assign(key, fromVariant(member));
            g_variant_unref(member);
        }
        return Value(std::move(dictionary));
    }
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_ARRAY)) {
        Value::Array array;
        GVariantIter iter;
        g_variant_iter_init(&iter, v);
        while (GVariant* element = g_variant_iter_next_value(&iter)) {
            array.push_back(fromVariant(element));
            g_variant_unref(element);
        }
        return Value(std::move(array));
    }
    return Value();
}

GDBusConnection* sessionBus() {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        logf("No session bus for distributed notifications: {}", error->message);
        g_error_free(error);
    }
    return bus;
}

void deliver(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters,
             gpointer data) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssa{sv})"))) return;
    GVariant* info = g_variant_get_child_value(parameters, 2);
    Value userInfo = fromVariant(info);
    g_variant_unref(info);
    (*static_cast<DistributedNotificationHandler*>(data))(*userInfo.asDictionary());
}

}  // namespace

bool postDistributedNotification(std::string_view name, std::string_view object, const Value::Dictionary& userInfo) {
    GDBusConnection* bus = sessionBus();
    if (!bus) return false;
    GError* error = nullptr;
    bool sent = g_dbus_connection_emit_signal(bus, nullptr, kPath, kInterface, kMember,
                                              g_variant_new("(ss@a{sv})", std::string(name).c_str(),
                                                            std::string(object).c_str(), dictionaryToVariant(userInfo)),
                                              &error) &&
                g_dbus_connection_flush_sync(bus, nullptr, &error);
    if (!sent) {
        logf("Could not post the distributed notification {}: {}", name, error->message);
        g_error_free(error);
    }
    g_object_unref(bus);
    return sent;
}

ObserverToken observeDistributedNotifications(const std::string& name, DistributedNotificationHandler handler) {
    GDBusConnection* bus = sessionBus();
    if (!bus) return {};
    auto* data = new DistributedNotificationHandler(std::move(handler));
    guint id = g_dbus_connection_signal_subscribe(
        bus, nullptr, kInterface, kMember, kPath, name.c_str(), G_DBUS_SIGNAL_FLAGS_NONE, deliver, data,
        [](gpointer p) { delete static_cast<DistributedNotificationHandler*>(p); });
    return ObserverToken([bus, id] {
        g_dbus_connection_signal_unsubscribe(bus, id);
        g_object_unref(bus);
    });
}

}  // namespace talv
