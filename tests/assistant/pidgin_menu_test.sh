#!/usr/bin/env bash
# Runs the real Pidgin with the Tal Assistant plug-in, under the X server and the session bus the
# caller starts (xvfb-run, dbus-run-session), in a fresh home: the item appears in the Tools menu,
# choosing it starts the program named by "TalvLocation", a notification turning the setting off
# removes it, one turning it on brings it back and Ctrl+0 chooses it.
# Usage: pidgin_menu_test.sh PLUGIN TOGGLE_PROGRAM [SCREENSHOT.png]
set -euo pipefail
plugin=$1 toggle=$2 screenshot=${3:-}

if ! command -v pidgin >/dev/null; then
    echo "SKIPPED: pidgin is not installed here (scripts/setup installs it); the plug-in was not tried in Pidgin"
    exit 77
fi

work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data XDG_CACHE_HOME=$work/home/cache
mkdir -p "$HOME/.purple" "$XDG_CONFIG_HOME/Orvane/Preferences" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
log=$work/pidgin.log
started=$work/started

# The program "TalvLocation" names records each start.
cat >"$work/talvessa" <<SCRIPT
#!/bin/sh
echo started >>"$started"
SCRIPT
chmod +x "$work/talvessa"

cat >"$XDG_CONFIG_HOME/Orvane/Preferences/orvane.talvessa.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
<key>EnhanceIChat</key><integer>1</integer>
<key>TalvLocation</key><string>$work/talvessa</string>
</dict></plist>
PLIST

# Pidgin loads the plug-in from the build tree; one disabled account keeps the account
# window closed and nothing goes on the network.
cat >"$HOME/.purple/prefs.xml" <<PREFS
<?xml version='1.0' encoding='UTF-8' ?>
<pref version='1' name='/'>
  <pref name='pidgin'>
    <pref name='plugins'>
      <pref name='loaded' type='pathlist'><item value='$plugin'/></pref>
    </pref>
    <pref name='blist'>
      <pref name='x' type='int' value='0'/>
      <pref name='y' type='int' value='0'/>
      <pref name='width' type='int' value='440'/>
      <pref name='height' type='int' value='360'/>
    </pref>
  </pref>
</pref>
PREFS
cat >"$HOME/.purple/accounts.xml" <<ACCOUNTS
<?xml version='1.0' encoding='UTF-8' ?>
<account version='1.0'>
  <account>
    <protocol>prpl-jabber</protocol>
    <name>reader@example.org/Home</name>
    <settings ui='gtk-gaim'><setting name='auto-login' type='bool'>0</setting></settings>
  </account>
</account>
ACCOUNTS

# A plug-in built with AddressSanitizer needs its runtime loaded first in Pidgin's process.
preload=
if [ -n "${TALV_ASAN_RUNTIME:-}" ]; then preload=$TALV_ASAN_RUNTIME; fi
: >"$log"
LD_PRELOAD=$preload ASAN_OPTIONS=detect_leaks=0 pidgin -d -c "$HOME/.purple" >"$log" 2>&1 &
pid=$!

fail() {
    echo "FAIL: $1"
    echo "--- starts recorded: $(starts)"
    echo "--- Pidgin's log, the plug-in's lines and the last lines:"
    grep -a 'tal-assistant\|plugins: .*tal-assistant' "$log" || true
    tail -n 20 "$log"
    exit 1
}
# wait_for DESCRIPTION SECONDS COMMAND...: polls until the command succeeds.
wait_for() {
    local what=$1 limit=$2
    shift 2
    local end=$((SECONDS + limit))
    until "$@"; do
        kill -0 "$pid" 2>/dev/null || fail "Pidgin ended while waiting for $what"
        ((SECONDS < end)) || fail "no $what within $limit seconds"
        sleep 0.2
    done
}
# These are called by wait_for at each poll: they count anew each time.
logged_at_least() { [ "$(grep -acF -- "$2" "$log")" -ge "$1" ]; }
added='tal-assistant: added "Talvessa" (launchTalv:) to the menu <PurpleMain>/Tools'
removed='tal-assistant: removed the item launchTalv: from the menu <PurpleMain>/Tools'
starts() { if [ -f "$started" ]; then wc -l <"$started"; else echo 0; fi; }
started_at_least() { [ "$(starts)" -ge "$1" ]; }

wait_for "item in the Tools menu" 180 logged_at_least 1 "$added"
window=
find_window() { window=$(xdotool search --onlyvisible --name '^Buddy List$' | head -n 1); [ -n "$window" ]; }
wait_for "buddy list window" 60 find_window
eval "$(xdotool getwindowgeometry --shell "$window")"

# Open Tools with its mnemonic, go up to the last item (ours) and choose it; a menu that did
# not open is asked for again.
menu_is_open() { [ "$(xdotool search --onlyvisible --name '' | wc -l)" -gt "$windows_before" ]; }
windows_before=$(xdotool search --onlyvisible --name '' | wc -l)
for attempt in 1 2 3; do
    xdotool windowfocus --sync "$window"
    xdotool key alt+t
    for _ in $(seq 25); do menu_is_open && break; sleep 0.2; done
    menu_is_open && break
done
menu_is_open || fail "the Tools menu did not open"
xdotool key Up
sleep 0.5
if [ -n "$screenshot" ]; then
    mkdir -p "$(dirname "$screenshot")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$screenshot"
fi
xdotool key Return
wait_for "start of the program named by TalvLocation" 60 started_at_least 1
grep -aqF "tal-assistant: opening $work/talvessa" "$log" || fail "the plug-in did not open TalvLocation"

"$toggle" off || fail "the setting could not be turned off"
wait_for "removal of the item after the notification" 60 logged_at_least 1 "$removed"

"$toggle" on || fail "the setting could not be turned on"
wait_for "item again after the notification" 60 logged_at_least 2 "$added"
xdotool windowfocus --sync "$window"
xdotool key ctrl+0
wait_for "start by Ctrl+0" 60 started_at_least 2

echo "Pidgin: the item appeared, started the program, went away and came back on notification"
