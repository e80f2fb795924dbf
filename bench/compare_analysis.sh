#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times `velmora-cli analyze` against md5sum and cat on the same file, in one
# run, turn about, and prints the medians, the ratio to md5sum and the peak
# memory of the analysis (GNU time's maximum resident set size).
#
#   bench/compare_analysis.sh BUILD_DIR [RUNS] [MIB] [INPUT ...]
#
# INPUT names a constructed input of velmora_bench (clean, headers-every-256,
# zero-length-tags, header-run-256k, header-run-1m, headers-over-zeros,
# zero-one-run, swapped-tags-every-4k, byte-swapped) or is a path to a file.
# The default is every constructed input at 64 MiB, 5 runs each.
set -euo pipefail

build=${1:?usage: compare_analysis.sh BUILD_DIR [RUNS] [MIB] [INPUT ...]}
runs=${2:-5}
mib=${3:-64}
shift $(( $# < 3 ? $# : 3 ))
inputs=("$@")
[ ${#inputs[@]} -eq 0 ] && inputs=(clean headers-every-256 zero-length-tags header-run-256k
  header-run-1m headers-over-zeros zero-one-run swapped-tags-every-4k byte-swapped)

cli="$build/bin/velmora-cli"
bench="$build/bin/velmora_bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Seconds of wall time and peak KiB of one run of "$@", output thrown away.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1 || true
  cat "$work/time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-24s %9s %9s %9s %8s %8s %10s\n' input md5sum_s cat_s analyze_s vs_md5 vs_cat peak_MiB
for input in "${inputs[@]}"; do
  if [ -f "$input" ]; then file=$input; else file=$("$bench" --velmora-input "$input" "$mib"); fi
  export TMP="$work"
  cat "$file" >/dev/null  # page cache warm
  : >"$work/md5" ; : >"$work/cat" ; : >"$work/cli" ; : >"$work/peak"
  for _ in $(seq "$runs"); do
    measure md5sum "$file" | cut -d' ' -f1 >>"$work/md5"
    measure cat "$file" | cut -d' ' -f1 >>"$work/cat"
    read -r secs peak < <(measure "$cli" analyze "$file")
    echo "$secs" >>"$work/cli"
    echo "$peak" >>"$work/peak"
  done
  m=$(median <"$work/md5"); c=$(median <"$work/cat"); a=$(median <"$work/cli")
  p=$(median <"$work/peak")
  awk -v n="$(basename "$input")" -v m="$m" -v c="$c" -v a="$a" -v p="$p" 'BEGIN {
    printf "%-24s %9.3f %9.3f %9.3f %8.2f %8.2f %10.1f\n", n, m, c, a,
      (m > 0 ? a / m : 0), (c > 0 ? a / c : 0), p / 1024 }'
done
