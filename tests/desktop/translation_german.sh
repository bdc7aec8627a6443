#!/usr/bin/env bash
# German throughout: po/de.po translates every text of the template, and the programs of the
# build tree, run in German, find a translation for every text they look up (the command line's
# help, messages and errors, the updater's help, the window with its lists, toolbar and page).
# Usage: translation_german.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source=$1
build=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work" 2>/dev/null' EXIT
failed=0

if ! msgcmp "$source/po/de.po" "$source/po/talvessa.pot" 2>"$work/incomplete"; then
  cat "$work/incomplete"
  echo "po/de.po leaves the texts above untranslated or fuzzy; translate them."
  failed=1
fi

export HOME=$work/user XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache TMPDIR=$work/tmp
export TZ=Europe/Berlin LC_ALL=C.UTF-8 LANGUAGE=de TALV_REPORT_UNTRANSLATED=1
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$TMPDIR"
cli=$build/cli/talvessa-cli
log=$work/stderr

# Each command's output in German, and no text looked up without a translation.
german() {
  local expected=$1
  shift
  local output
  output=$("$@" 2>"$work/last")
  output+=$(cat "$work/last")
  cat "$work/last" >>"$log"
  if [[ $output != *"$expected"* ]]; then
    printf 'FAILED: %s does not say "%s":\n%s\n' "$*" "$expected" "$output"
    failed=1
  fi
}
german "Aufruf: talvessa-cli" "$cli" --help
for command in index watch list participants show; do german "Aufruf: talvessa-cli" "$cli" "$command" --help; done
german "Warnung:" "$cli" --transcripts-home "$work/nobody" index
german "noch keine Chats" "$cli" list
"$build/tools/talvessa-mkarchive" "$work/home" --seed 2006 --people 8 --chats 40 --contacts "$work/contacts" >/dev/null
german "das Archiv enthält" "$cli" --transcripts-home "$work/home" index
german "Chats, " "$cli" --transcripts-home "$work/home" list --when "Last Year"
german "die Titel sind" "$cli" list --participant Niemand
german "kann nicht nach" "$cli" list --sort nothing
german "unbekannter Befehl" "$cli" frobnicate
german "unbekannte Option" "$cli" list --frobnicate
german "ist keine Chat-ID" "$cli" show zwölf
german "enthält keinen Chat" "$cli" show 99999
german "Aufruf: talvessa " "$build/app/talvessa" --help
german "unerwartetes Argument" "$build/app/talvessa" extra
[[ -x $build/updater/orvane-updater ]] && german "Aufruf: orvane-updater" "$build/updater/orvane-updater" --help

# The window: its lists by their German names, a chat with pictures shown, the item titles.
dbus-run-session -- xvfb-run -a -s "-screen 0 1280x900x24" /usr/bin/python3 "$source/tests/desktop/german_window.py" \
  "$build/app/talvessa" "$work/home" 2>>"$log" || failed=1

if grep -q '^Untranslated: ' "$log"; then
  echo "FAILED: texts looked up without a German translation:"
  grep '^Untranslated: ' "$log" | sort -u
  echo "Mark them for translation (tr, N_), then run scripts/update-translations and translate them in po/de.po."
  failed=1
fi
exit $failed
