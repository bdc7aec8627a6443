#pragma once
// Pidgin's headers for C++: they declare no C linkage of their own, and one declaration of
// gtkblist.h names a parameter "new".
#define PURPLE_PLUGINS
#include <gtk/gtk.h>

#include <blist.h>
#include <debug.h>
#include <plugin.h>
#include <version.h>

extern "C" {
#include <gtkblist-theme.h>
#include <gtkplugin.h>
#include <pidgin.h>
#define new new_node
#include <gtkblist.h>
#undef new
}
