#!/usr/bin/env bash
# Runs every benchmark and ends with one `ratio NAME VALUE` line per comparison
# (our time divided by the alternative's, measured in the same run).
set -euo pipefail
bench_dir=${1:?usage: bench.sh BUILD_DIR/bench}
output=$(mktemp)
trap 'rm -f "$output" "$output.ratios"' EXIT

for bench in picture_bench log_append_bench pane_append_bench startup_bench video_cpu_bench \
  video_stall_bench card_reply_bench serial_bench plate_push_bench video_rtsp_bench \
  discovery_bench onvif_bench; do
  echo "== $bench"
  # Live video is drawn into X11 windows, as on the field laptop, where Xvfb is there.
  if [ "$bench" = video_rtsp_bench ] && command -v xvfb-run >/dev/null 2>&1; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "$bench_dir/$bench" > "$output" 2>&1
  else
    QT_QPA_PLATFORM=offscreen "$bench_dir/$bench" > "$output" 2>&1
  fi
  grep -v '^ratio ' "$output" || true
  grep '^ratio ' "$output" >> "$output.ratios"
done

echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
cat "$output.ratios"
