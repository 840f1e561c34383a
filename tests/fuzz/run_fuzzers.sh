#!/usr/bin/env bash
# Runs each fuzz target of a fuzz build for the given seconds, starting
# from a seed corpus made by the project's data generator. Fails on any
# finding (the input that found it is kept in the build directory).
set -euo pipefail
build=$(cd "${1:?usage: run_fuzzers.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
seeds="$build/fuzz-seeds"

# Seeds: small generated data sets (the first byte picks the options), map
# files in each layout, constraints.
if [ ! -d "$seeds" ]; then
  mkdir -p "$seeds/tree_input" "$seeds/side_files"
  i=0
  for flags in 0 1 2 5 16 41 200; do
    for size in "3 2" "5 3" "8 4"; do
      set -- $size
      i=$((i + 1))
      extra=()
      if (( flags & 1 )); then extra+=(--species-tree); fi
      { printf "\\$(printf %o "$flags")"
        "$build/dlsim" -n "$1" -m "$2" --seed "$i" --unrooted 0.3 --weighted 0.3 "${extra[@]}"; } \
        > "$seeds/tree_input/dlsim_$i"
    done
  done
  for layout in pairs comma semicolon; do
    "$build/dlsim" -n 4 -m 2 --seed 2 --map "$seeds/map_$layout" --map-format "$layout" > /dev/null
    { printf '\001'; cat "$seeds/map_$layout"; } > "$seeds/side_files/map_$layout"
    rm "$seeds/map_$layout"
  done
  printf '\000A,B; C,D,E;\nF , G;' > "$seeds/side_files/constraints"
  printf '\002S001_g1\nS002_g2\n' > "$seeds/side_files/labels"
  printf '\001#NEXUS\nbegin trees;\ntranslate 1 A, 2 B;\ntree t = [&U] ((1,2),C);\nend;\n' \
    > "$seeds/tree_input/nexus"
fi

for target in tree_input side_files; do
  corpus="$build/fuzz-corpus/$target"
  mkdir -p "$corpus"
  dict="$here/trees.dict"
  [ "$target" = side_files ] && dict="$here/side_files.dict"
  log="$build/fuzz-$target.log"
  echo "== fuzz_$target for ${seconds}s (log: $log) =="
  if ! (cd "$build" && ASAN_OPTIONS=detect_leaks=1 "./fuzz_$target" -max_total_time="$seconds" -max_len=2048 \
    -timeout=60 -rss_limit_mb=2560 -print_final_stats=1 -dict="$dict" "$corpus" "$seeds/$target") > "$log" 2>&1; then
    tail -n 80 "$log"
    echo "fuzz_$target found a problem; the input is in $build (crash-*, timeout-*, oom-*)" >&2
    exit 1
  fi
  grep -E "INITED|DONE|^stat::" "$log"
done
