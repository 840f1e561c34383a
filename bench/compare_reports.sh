#!/usr/bin/env bash
# Compares the reports of two builds of dlspecies on random inputs, byte for
# byte: a baseline (the program before a change) and the program after it.
#
#   bench/compare_reports.sh BASELINE_DLSPECIES NEW_DLSPECIES DLSIM [COUNT] [FIRST_SEED]
#
# Each input is made by dlsim with its own seed: 4 to 40 species, 3 to 80
# families, some unrooted, some weighted (weights that sum exactly, 0.5 to
# 3, and weights that round, 0.1 and 0.7), gene-tree error by swaps and by
# moved leaves. Each is run in one of the modes in turn: the default run, a
# start from the generating species tree (-g 0), --limit, constraints, cost
# weights of a duplication and a loss other than 1, --evaluate, and several
# starts. The baseline runs with one thread, the new program with 1, 2 and 3
# threads; every report (and exit status) must be the same. Prints one line
# per difference and a summary; exits 1 if any differ.
set -u
if [ $# -lt 3 ]; then
  echo "usage: $0 BASELINE_DLSPECIES NEW_DLSPECIES DLSIM [COUNT] [FIRST_SEED]" >&2
  exit 2
fi
base=$1 new=$2 dlsim=$3 count=${4:-200} first=${5:-1}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
differ=0 failed=0
modes=(default given limit constraints costs evaluate starts unrooted-limit)
for ((i = 0; i < count; ++i)); do
  seed=$((first + i))
  n=$((4 + seed * 7 % 37))
  m=$((3 + seed * 13 % 78))
  mode=${modes[$((i % ${#modes[@]}))]}
  unrooted=$(((seed % 4) * 25))
  data=(-n "$n" -m "$m" --seed "$seed" --swaps $((seed % 3)) --unrooted "0.$unrooted" --weighted 0.3)
  [ $((seed % 5)) -eq 0 ] && data+=(--spr-noise 0.2)
  [ $((seed % 3)) -eq 0 ] && data+=(--dup 0.2 --loss 1.5)
  args=(--seed "$seed" -q)
  case $mode in
    given | evaluate) data+=(--species-tree) args+=(-g 0) ;;
    limit) args+=(--limit) ;;
    unrooted-limit) data=(-n "$n" -m "$m" --seed "$seed" --unrooted 1 --weighted 0.5) args+=(--limit) ;;
    costs) args+=(--dup-weight 0.3 --loss-weight 2.7) ;;
    starts) args+=(--starts 2) ;;
  esac
  [ "$mode" = evaluate ] && args+=(--evaluate --genetrees)
  "$dlsim" "${data[@]}" -o "$work/genes.nwk" || { echo "dlsim failed for seed $seed" >&2; exit 2; }
  # Half the inputs with weights that round in sums: 0.1 and 0.7 for 1.5 and 3.
  if [ $((seed % 2)) -eq 0 ]; then
    sed -i -e 's/WEIGHT=1.5\]/WEIGHT=0.1]/g' -e 's/WEIGHT=3\]/WEIGHT=0.7]/g' "$work/genes.nwk"
  fi
  if [ "$mode" = constraints ]; then
    printf 'S001,S002;S003,S004,S005;\n' >"$work/groups.txt"
    args+=(--constraints "$work/groups.txt")
  fi
  "$base" -i "$work/genes.nwk" "${args[@]}" -t 1 >"$work/base.out" 2>"$work/base.err"
  baseStatus=$?
  [ "$baseStatus" -ne 0 ] && failed=$((failed + 1))
  for threads in 1 2 3; do
    "$new" -i "$work/genes.nwk" "${args[@]}" -t "$threads" >"$work/new.out" 2>"$work/new.err"
    status=$?
    if [ "$status" -ne "$baseStatus" ] || ! cmp -s "$work/base.out" "$work/new.out"; then
      echo "DIFFERENT: seed $seed, mode $mode, -t $threads (exit $baseStatus, $status): dlsim ${data[*]}; dlspecies ${args[*]}"
      differ=$((differ + 1))
    fi
  done
done
echo "$count inputs ($failed of them refused by both as errors), $((count * 3)) runs of the new program: $differ reports differ"
[ "$differ" -eq 0 ]
