#!/usr/bin/env bash
# The desktop entry, the AppStream metainfo, the manual pages, the icons and the polkit action of
# the build tree, checked by their validators. Usage: desktop_files.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source=$1
share=$2/share
failed=0
check() {
  local what=$1
  shift
  local output
  if ! output=$("$@" 2>&1); then
    printf 'FAILED: %s\n%s\n' "$what" "$output"
    failed=1
  fi
}

check "desktop entry" desktop-file-validate "$share/applications/orvane.Talvessa.desktop"
# The identifier is the application's D-Bus name, which has no top-level domain first.
check "AppStream metainfo" appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
  "$share/metainfo/orvane.Talvessa.metainfo.xml"
for page in "$share"/man/man1/*.1; do
  # man's own check: any warning of groff fails.
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [[ -z $warnings ]] || { printf 'FAILED: manual page %s\n%s\n' "$page" "$warnings"; failed=1; }
done
[[ $(ls "$share"/man/man1/*.1 | wc -l) -eq 3 ]] || { echo "FAILED: three manual pages expected in $share/man/man1"; failed=1; }
for icon in "$source"/resources/icons/hicolor/scalable/apps/orvane.Talvessa.svg \
            "$source"/resources/icons/hicolor/symbolic/apps/orvane.Talvessa-symbolic.svg; do
  check "icon $icon" xmllint --noout "$icon"
done
check "polkit action" xmllint --noout "$share/polkit-1/actions/orvane.talvessa.install-assistant.policy"
# The entry's German name comes from the catalogue.
grep -q '^Comment\[de\]=' "$share/applications/orvane.Talvessa.desktop" ||
  { echo "FAILED: the desktop entry carries no German comment"; failed=1; }
exit $failed
