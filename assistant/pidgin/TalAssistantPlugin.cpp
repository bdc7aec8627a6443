// The purple-2 plug-in: creates the assistant once Pidgin's buddy list exists and drops it
// when the plug-in is unloaded.
#include "assistant/PluginVersion.h"
#include "assistant/TalvAssistant.h"
#include "assistant/pidgin/PidginHeaders.h"
#include "assistant/pidgin/PidginHost.h"

#include <memory>

// Read by the installer from the file, without loading it.
extern "C" [[gnu::used]] const char talAssistantVersion[] = TAL_ASSISTANT_VERSION_MARK TAL_ASSISTANT_VERSION;

namespace {

std::unique_ptr<talv::PidginHost> host;
std::unique_ptr<talv::TalvAssistant> assistant;

void createAssistant() {
    if (!assistant) assistant = talv::TalvAssistant::create(*host);
}

void buddyListCreated(PurpleBuddyList*, gpointer) { createAssistant(); }

gboolean pluginLoad(PurplePlugin* plugin) {
    host = std::make_unique<talv::PidginHost>();
    PidginBuddyList* blist = pidgin_blist_get_default_gtk_blist();
    if (blist && blist->window) createAssistant();
    else purple_signal_connect(pidgin_blist_get_handle(), "gtkblist-created", plugin, PURPLE_CALLBACK(buddyListCreated), nullptr);
    return TRUE;
}

gboolean pluginUnload(PurplePlugin*) {
    assistant.reset();
    host.reset();
    return TRUE;
}

PurplePluginInfo info = {
    PURPLE_PLUGIN_MAGIC,
    PURPLE_MAJOR_VERSION,
    PURPLE_MINOR_VERSION,
    PURPLE_PLUGIN_STANDARD,
    const_cast<char*>(PIDGIN_PLUGIN_TYPE),
    0,
    nullptr,
    PURPLE_PRIORITY_DEFAULT,
    const_cast<char*>("gtk-orvane-tal-assistant"),
    const_cast<char*>("Tal Assistant"),
    const_cast<char*>(TAL_ASSISTANT_VERSION),
    const_cast<char*>("Opens Talvessa from Pidgin's Tools menu."),
    const_cast<char*>("Adds \"Talvessa\" (Ctrl+0) to the Tools menu of the buddy list while Talvessa's "
                      "setting for the chat client is on, to go from a chat to the archive."),
    const_cast<char*>("Orvane"),
    nullptr,
    pluginLoad,
    pluginUnload,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

void initPlugin(PurplePlugin*) {}

}  // namespace

extern "C" {
PURPLE_INIT_PLUGIN(tal_assistant, initPlugin, info)
}
