#!/usr/bin/env bash
# Fails when a text marked for translation in the sources or resources is missing from the
# template po/talvessa.pot. Usage: translation_template.sh SOURCE_DIR
set -euo pipefail
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$source/po/extract" "$work/current.pot"
if ! msgcmp --use-untranslated "$source/po/talvessa.pot" "$work/current.pot" 2>"$work/missing"; then
  # msgcmp names the line of each missing text in the fresh template: show the text and where it is.
  sed -n 's/^.*current\.pot:\([0-9]*\): this message is used but not defined.*/\1/p' "$work/missing" |
    while read -r line; do sed -n "$((line - 2)),$((line - 1))p" "$work/current.pot"; done
  [[ -s $work/missing ]] && grep -v 'this message is used but not defined' "$work/missing" || true
  echo
  echo "po/talvessa.pot lacks the texts above. Refresh it and the catalogues with"
  echo "    scripts/update-translations"
  echo "and translate what then stands untranslated or fuzzy in po/de.po"
  echo "(msgattrib --untranslated po/de.po and msgattrib --only-fuzzy po/de.po list them)."
  exit 1
fi
