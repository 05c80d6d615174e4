#!/usr/bin/env bash
# Runs every benchmark and ends with one `ratio NAME VALUE` line per comparison
# (our time divided by the alternative's, measured in the same run).
set -euo pipefail
bench_dir=${1:?usage: bench.sh BUILD_DIR/bench}
ratios=$(mktemp)
trap 'rm -f "$ratios"' EXIT

for bench in picture_bench log_append_bench startup_bench video_cpu_bench card_reply_bench; do
  echo "== $bench"
  QT_QPA_PLATFORM=offscreen "$bench_dir/$bench" | tee /dev/stderr | grep '^ratio ' >> "$ratios"
done 2>&1

echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
cat "$ratios"
