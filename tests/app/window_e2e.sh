#!/usr/bin/env bash
# The real talvessa driven as a user would, through the accessibility bus: a generated archive,
# its own session bus, virtual X server and accessibility bus. Usage: window_e2e.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/user XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache TMPDIR=$work/tmp
export TZ=America/New_York LC_ALL=C.UTF-8
unset LANGUAGE
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Orvane/Preferences" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$TMPDIR"
# No updater is started, and iChat's saving is not offered over the window.
cat >"$XDG_CONFIG_HOME/Orvane/Preferences/orvane.talvessa.plist" <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>SUCheckForUpdates</key><false/><key>IChatDontShowAgain</key><true/></dict></plist>
PLIST
"$build/tools/talvessa-mkarchive" "$work/home" --seed 2006 --people 8 --chats 60 --contacts "$work/contacts" >/dev/null
"$build/cli/talvessa-cli" --transcripts-home "$work/home" index >/dev/null 2>&1
dbus-run-session -- xvfb-run -a -s "-screen 0 1280x900x24" /usr/bin/python3 "$here/window_e2e.py" "$build" "$work/home"
