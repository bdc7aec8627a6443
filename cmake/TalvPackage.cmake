# Debian packages through CPack (cpack -G DEB, or scripts/package): "talvessa" with the programs
# and their resources, and "talvessa-pidgin-assistant" with the Pidgin plug-in, whose GTK 2 and
# libpurple dependencies only Pidgin's users need. Dependencies on shared libraries come from
# dpkg-shlibdeps. Configure with -DCMAKE_INSTALL_PREFIX=/usr: the polkit action names the
# helper's installed path.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME talvessa)
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_CONTACT "Orvane <talvessa@orvane.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package's description is written whole below, its summary line first (a project summary
# would be put before each); CPack indents the other lines. The descriptions hold quotes.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL talvessa assistant)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.orvane.com/talvessa/)

set(CPACK_DEBIAN_TALVESSA_PACKAGE_NAME talvessa)
set(CPACK_DEBIAN_TALVESSA_DESCRIPTION
    "browse, search and read old iChat, Adium and Fire chat transcripts
Talvessa gathers the chat transcripts that iChat, Adium and Fire wrote over the
years into one SQLite archive, keeps it current in the background, and lets you
browse, search and read them: by date range, by person (all accounts of one
person together, through a folder of vCards) and by contents, with a search of
every message. talvessa-cli does the same from a terminal.")
# The icons are SVG, loaded by GdkPixbuf's loader; udisks mounts a downloaded disk image.
set(CPACK_DEBIAN_TALVESSA_PACKAGE_DEPENDS "librsvg2-common")
set(CPACK_DEBIAN_TALVESSA_PACKAGE_RECOMMENDS "udisks2, hicolor-icon-theme")
set(CPACK_DEBIAN_TALVESSA_PACKAGE_SUGGESTS "talvessa-pidgin-assistant")

set(CPACK_DEBIAN_ASSISTANT_PACKAGE_NAME talvessa-pidgin-assistant)
set(CPACK_DEBIAN_ASSISTANT_PACKAGE_SECTION net)
set(CPACK_DEBIAN_ASSISTANT_DESCRIPTION
    "Pidgin plug-in that opens Talvessa from the Tools menu
Tal Assistant adds the item \"Talvessa\" (Ctrl+0) to Pidgin's Tools menu. Turned on
in Talvessa's preferences, Talvessa installs it into Pidgin's plug-in folder.")
# pkexec installs the plug-in for all users.
set(CPACK_DEBIAN_ASSISTANT_PACKAGE_DEPENDS "pkexec | policykit-1")
set(CPACK_DEBIAN_ASSISTANT_PACKAGE_ENHANCES "pidgin")

include(CPack)
cpack_add_component(talvessa DISPLAY_NAME Talvessa REQUIRED)
cpack_add_component(assistant DISPLAY_NAME "Tal Assistant" DEPENDS talvessa)
