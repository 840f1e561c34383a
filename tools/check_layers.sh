#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own, or of
# another folder on its own layer, or sees the command line's Options
# outside src/app/. Layers, from the bottom:
#   common -> tree -> reconcile -> scoring -> start, search, report -> app
# Every project header is included by its path below src/ ("tree/x.hpp" or
# <tree/x.hpp>); relative paths with ".." are refused.
set -u
cd "$(dirname "$0")/.."
declare -A level=([common]=0 [tree]=1 [reconcile]=2 [scoring]=3 [start]=4 [search]=4 [report]=4 [app]=5)
status=0
while IFS= read -r file; do
  folder=${file#src/}
  folder=${folder%%/*}
  if [ -z "${level[$folder]+set}" ]; then
    echo "$file: folder '$folder' has no layer"
    status=1
    continue
  fi
  while IFS=: read -r line quote path; do
    used=${path%%/*}
    if [[ "$path" == *..* ]]; then
      echo "$file:$line: include by a relative path: $path"
      status=1
    elif [ -n "${level[$used]+set}" ] && [[ "$path" == */* ]]; then
      if [ "$used" != "$folder" ] && [ "${level[$used]}" -ge "${level[$folder]}" ]; then
        echo "$file:$line: $folder must not include from $used"
        status=1
      fi
    elif [ "$quote" = '"' ]; then
      echo "$file:$line: \"$path\" is not under a layer's folder"
      status=1
    fi
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include' "$file" |
             sed -E 's/^([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*(["<])([^">]*)[">].*/\1:\2:\3/')
done < <(find src -name '*.hpp' -o -name '*.cpp' | sort)
# The options of the command line are the app's: the stages below it get
# what they need as values of their own (a cost model, say), never Options.
while IFS= read -r hit; do
  echo "$hit: only src/app/ may see the command line's Options"
  status=1
done < <(grep -rn -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]app/options\.hpp|\b(struct|class)[[:space:]]+Options\b' src \
           --include='*.hpp' --include='*.cpp' | grep -v '^src/app/')
[ "$status" -eq 0 ] && echo "layers: every include points down"
exit "$status"
