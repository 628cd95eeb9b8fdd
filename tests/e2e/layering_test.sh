#!/usr/bin/env bash
# The core's parts depend one way: platform <- blocks <- search, dif, editing <- app. A folder
# includes only from itself and the parts below it; a window folder (X/qt) also from the window
# folders below it.
set -u
source "$(dirname "$0")/checks.sh"
src=$(cd "$(dirname "$0")/../../src" && pwd)
declare -A below=(
  [platform]=""
  [blocks]="platform"
  [search]="blocks platform"
  [dif]="blocks platform"
  [editing]="blocks platform"
  [app]="search dif editing blocks platform resources"
)
for part in "${!below[@]}"; do
  allowed="$part ${below[$part]}"
  for file in "$src/$part"/*.h "$src/$part"/*.cpp "$src/$part"/*.in "$src/$part"/qt/*; do
    [ -f "$file" ] || continue
    bad=0
    while read -r included; do
      folder=${included%%/*}
      ok=0
      for a in $allowed; do [ "$folder" = "$a" ] && ok=1; done
      if [ $ok -eq 0 ]; then
        echo "FAIL: ${file#$src/} includes $included" >&2
        bad=1
      fi
    done < <(grep -ho '#include "[^"]*"' "$file" | sed 's/#include "//; s/"$//')
    if [ $bad -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  done
done
tally
