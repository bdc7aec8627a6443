#include "assistant/pidgin/PidginHost.h"

#include "assistant/Workspace.h"
#include "platform/DistributedNotificationCenter.h"

#include "assistant/pidgin/PidginHeaders.h"

#include <vector>

namespace talv {
namespace {

constexpr const char* kDebugCategory = "tal-assistant";
constexpr const char* kActionKey = "tal-assistant-action";

// The menus of the buddy list, made by Pidgin's item factory: an item's action is its
// factory path without the factory's name ("/Tools/Plugins"), or the action the assistant
// gave its own item.
class GtkHostMenu : public HostMenu {
public:
    GtkHostMenu(GtkMenuShell* shell, GtkAccelGroup* accelGroup, std::string name)
        : shell_(GTK_MENU_SHELL(g_object_ref(shell))), accelGroup_(accelGroup), name_(std::move(name)) {}
    ~GtkHostMenu() override { g_object_unref(shell_); }
    GtkHostMenu(const GtkHostMenu&) = delete;
    GtkHostMenu& operator=(const GtkHostMenu&) = delete;

    std::size_t numberOfItems() const override { return items().size(); }

    std::string actionOfItem(std::size_t index) const override {
        GtkWidget* item = items().at(index);
        if (auto* own = static_cast<const char*>(g_object_get_data(G_OBJECT(item), kActionKey))) return own;
        const char* path = gtk_item_factory_path_from_widget(item);
        if (!path) return {};
        std::string action(path);
        std::size_t end = action.find('>');
        return end == std::string::npos ? action : action.substr(end + 1);
    }

    std::unique_ptr<HostMenu> submenuOfItem(std::size_t index) const override {
        GtkWidget* item = items().at(index);
        GtkWidget* submenu = GTK_IS_MENU_ITEM(item) ? gtk_menu_item_get_submenu(GTK_MENU_ITEM(item)) : nullptr;
        if (!submenu) return nullptr;
        return std::make_unique<GtkHostMenu>(GTK_MENU_SHELL(submenu), accelGroup_, itemName(item));
    }

    void addItem(HostMenuItemSpec spec) override {
        GtkWidget* item = gtk_menu_item_new_with_label(spec.title.c_str());
        g_object_set_data_full(G_OBJECT(item), kActionKey, g_strdup(spec.action.c_str()), g_free);
        auto* activate = new std::function<void()>(std::move(spec.activate));
        g_signal_connect_data(item, "activate",
                              G_CALLBACK(+[](GtkMenuItem*, gpointer f) { (*static_cast<std::function<void()>*>(f))(); }),
                              activate, [](gpointer f, GClosure*) { delete static_cast<std::function<void()>*>(f); },
                              GConnectFlags(0));
        if (spec.keyEquivalent && accelGroup_) {
            gtk_widget_add_accelerator(item, "activate", accelGroup_, gdk_unicode_to_keyval(spec.keyEquivalent),
                                       GDK_CONTROL_MASK, GTK_ACCEL_VISIBLE);
        }
        gtk_widget_show(item);
        gtk_menu_shell_append(shell_, item);
        purple_debug_info(kDebugCategory, "added \"%s\" (%s) to the menu %s\n", spec.title.c_str(),
                          spec.action.c_str(), name_.c_str());
    }

    void removeItem(std::size_t index) override {
        GtkWidget* item = items().at(index);
        std::string action = actionOfItem(index);
        gtk_widget_destroy(item);
        purple_debug_info(kDebugCategory, "removed the item %s from the menu %s\n", action.c_str(), name_.c_str());
    }

private:
    std::vector<GtkWidget*> items() const {
        std::vector<GtkWidget*> result;
        GList* children = gtk_container_get_children(GTK_CONTAINER(shell_));
        for (GList* l = children; l; l = l->next) result.push_back(GTK_WIDGET(l->data));
        g_list_free(children);
        return result;
    }

    static std::string itemName(GtkWidget* item) {
        const char* path = gtk_item_factory_path_from_widget(item);
        return path ? path : "(unnamed)";
    }

    GtkMenuShell* shell_;
    GtkAccelGroup* accelGroup_;
    std::string name_;
};

}  // namespace

// The running program's file name: Pidgin names itself "Pidgin" to the window system.
std::string PidginHost::bundleIdentifier() const {
    gchar* executable = g_file_read_link("/proc/self/exe", nullptr);
    if (!executable) return {};
    gchar* name = g_path_get_basename(executable);
    std::string identifier = name;
    g_free(name);
    g_free(executable);
    return identifier;
}

std::unique_ptr<HostMenu> PidginHost::mainMenu() {
    PidginBuddyList* blist = pidgin_blist_get_default_gtk_blist();
    if (!blist || !blist->ift) return nullptr;
    GtkWidget* bar = gtk_item_factory_get_widget(blist->ift, "<PurpleMain>");
    if (!bar || !GTK_IS_MENU_SHELL(bar)) return nullptr;
    return std::make_unique<GtkHostMenu>(GTK_MENU_SHELL(bar), blist->ift->accel_group, "<PurpleMain>");
}

ObserverToken PidginHost::subscribe(const std::string& name, std::function<void(const Value::Dictionary&)> handler) {
    return DistributedNotificationCenter::addObserver(
        name, "", [handler = std::move(handler)](const std::string&, const std::string&, const Value& userInfo) {
            const Value::Dictionary* info = userInfo.asDictionary();
            handler(info ? *info : Value::Dictionary{});
        });
}

bool PidginHost::openPath(const std::string& path) {
    purple_debug_info(kDebugCategory, "opening %s\n", path.c_str());
    return openFile(path);
}

void PidginHost::beep() {
    purple_debug_info(kDebugCategory, "beep\n");
    gdk_beep();
}

}  // namespace talv
