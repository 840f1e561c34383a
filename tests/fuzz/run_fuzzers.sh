#!/usr/bin/env bash
# Runs each fuzz target of a fuzz build for the given seconds, starting
# from a seed corpus made by the project's data generator (and long inputs
# made here for the reading target). Fails on any finding (the input that
# found it is kept in the build directory). FUZZ_TARGETS names some of the
# targets to run only those.
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

# Long seeds for the reading target (the first byte picks what is read):
# chains of single children with comments, deep nesting, a huge
# multifurcation, long names and comments, many marks, a NEXUS translation
# table, labels with a delimiter, a long map and constraints, a generated
# data set. Costs that grow faster than the input show on such lengths.
if [ ! -d "$seeds/reading" ]; then
  mkdir -p "$seeds/reading"
  repeat() {
    local blanks
    blanks=$(printf "%$2s" "")
    printf '%s' "${blanks// /"$1"}"
  }
  { printf '\004'; repeat '(' 30000; printf '(a,b)'; repeat ')[x]' 29999; printf ')[&CONSTRAINT];(a,b);'; } \
    > "$seeds/reading/comment_chain"
  { printf '\000'; repeat '(' 50000; printf 'a'; repeat ',b)' 50000; printf ';'; } > "$seeds/reading/deep"
  { printf '\000('; repeat 'a,' 100000; printf 'a);'; } > "$seeds/reading/multifurcation"
  { printf "\\000(%s,'%s'[%s]);" "$(repeat a 100000)" "$(repeat b 100000)" "$(repeat c 100000)"; } \
    > "$seeds/reading/long_names"
  { printf '\010'; repeat '[&U][&WEIGHT=2]' 20000; printf '(a,b);'; } > "$seeds/reading/marks"
  { printf '\000#NEXUS\nbegin trees;\ntranslate\n'
    for i in $(seq 1 5000); do printf '%d s%d,\n' "$i" "$i"; done
    printf '0 s0;\ntree t = ('; repeat '1,' 5000; printf '2);\nend;\n'; } > "$seeds/reading/nexus"
  { printf '\001'; for i in $(seq 1 20000); do printf '(S%d_g%d,' $((i % 50)) "$i"; done
    printf 'S1_g0'; repeat ')' 20000; printf ';'; } > "$seeds/reading/delimiter"
  { printf '\002'; for i in $(seq 1 20000); do printf 'g%d S%d\n' "$i" $((i % 50)); done; } > "$seeds/reading/map"
  { printf '\003'; for i in $(seq 1 20000); do printf 'S%d,' "$i"; done; printf 'S0;'; } > "$seeds/reading/constraints"
  { printf '\000'; "$build/dlsim" -n 100 -m 1000 --seed 1 --unrooted 0.3 --weighted 0.3; } > "$seeds/reading/dlsim"
fi

# Seeds for the weighted runs: generated data sets under weights of every
# kind (the first byte picks the cost weights and the mode).
if [ ! -d "$seeds/weighted_run" ]; then
  mkdir -p "$seeds/weighted_run"
  i=0
  for flags in 10 17 24 40 66 80 130 200 230; do
    i=$((i + 1))
    extra=()
    if (( flags & 128 )); then extra+=(--species-tree); fi
    { printf "\\$(printf %o "$flags")"
      "$build/dlsim" -n 6 -m 4 --seed "$i" --unrooted 0.3 --weighted 0.5 "${extra[@]}"; } > "$seeds/weighted_run/dlsim_$i"
  done
  printf '\302((a,b),c);\n[&WEIGHT=1e18](a,(b,c));\n[&WEIGHT=1e-20]((a,c),b);\n' > "$seeds/weighted_run/far_apart"
fi

for target in ${FUZZ_TARGETS:-tree_input side_files reading weighted_run}; do
  corpus="$build/fuzz-corpus/$target"
  mkdir -p "$corpus"
  dict="$here/trees.dict"
  [ "$target" = side_files ] && dict="$here/side_files.dict"
  log="$build/fuzz-$target.log"
  # The reading target takes inputs of up to 1 MB.
  length=2048
  [ "$target" = reading ] && length=1048576
  echo "== fuzz_$target for ${seconds}s (log: $log) =="
  if ! (cd "$build" && ASAN_OPTIONS=detect_leaks=1 "./fuzz_$target" -max_total_time="$seconds" -max_len="$length" \
    -timeout=60 -rss_limit_mb=2560 -print_final_stats=1 -dict="$dict" "$corpus" "$seeds/$target") > "$log" 2>&1; then
    tail -n 80 "$log"
    echo "fuzz_$target found a problem; the input is in $build (crash-*, timeout-*, oom-*)" >&2
    exit 1
  fi
  grep -E "INITED|DONE|^stat::" "$log"
done
