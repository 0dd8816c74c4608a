#!/bin/bash
# Sheets along the roads of a generated road plan against the whole plan on one page, and
# against LibreCAD printing the same plan on one page (`librecad dxf2pdf`, Debian package
# librecad), measured in one run on the same machine. Our side is bench_sheets: the plan read as
# "Plik KWL" reads it, some 50 A3 sheets at 1:500 along its roads printed into one PDF, and the
# whole plan fitted on one A3 landscape page; LibreCAD prints the plan exported as DXF, fitted on
# one A3 landscape page.
#
# usage: bench/sheets_compare.sh [SIZE_MB]   (default 100)
# Needs `make bench` first (build-bench/) and the librecad package.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bench=${KWL_BENCH_BUILD:-$here/build-bench} # KWL_BENCH_BUILD: another build folder
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
cmake --build "$bench" --target bench_sheets print_compare_ours kwl_generate kwl_data >/dev/null

"$bench/tools/kwl_generate" --sheet plan --size-mb "${1:-100}" "$work/plan.kwl"

KWL_BENCH_PLAN="$work/plan.kwl" "$bench/bench/bench_sheets" --benchmark_format=json \
    >"$work/sheets.json" 2>/dev/null
# The DXF that LibreCAD reads, written from the same converted drawing.
"$bench/bench/print_compare_ours" "$work/plan.kwl" "$work/plan.dxf" "$work/ours.pdf" >/dev/null

# LibreCAD writes the PDF beside the DXF, under its name.
mkdir "$work/librecad"
cp "$work/plan.dxf" "$work/librecad/plan.dxf"
start=$(date +%s.%N)
librecad dxf2pdf -a -p 420x297 "$work/librecad/plan.dxf" >/dev/null 2>&1
end=$(date +%s.%N)
[ -s "$work/librecad/plan.pdf" ] || { echo "librecad wrote no PDF" >&2; exit 1; }
librecad_ms=$(echo "($end - $start) * 1000" | bc -l)

/usr/bin/python3 - "$work/sheets.json" "$librecad_ms" "$work/plan.kwl" \
    "$work/librecad/plan.pdf" <<'PY'
import json, os, sys
runs = {b["name"].split("/")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
librecad = float(sys.argv[2])
whole, sheets = runs["BM_WholeDrawingOnOnePage"], runs["BM_SheetsAlongTheRoads"]
print("drawing: %s bytes as .kwl, %.0f MB in memory; %d sheets at 1:500 on A3 along %d roads"
      % (os.path.getsize(sys.argv[3]), sheets["drawing_MB"], sheets["sheets"], sheets["roads"]))
print("%-52s %10s %10s %8s" % ("", "ms", "PDF MB", "x whole"))
print("%-52s %10.0f %10.1f %8.2f" % ("KWL_Edytor: the whole plan on one A3 page",
      whole["real_time"], whole["pdf_MB"], 1.0))
print("%-52s %10.0f %10.1f %8.2f" % ("KWL_Edytor: %d sheets into one PDF" % sheets["sheets"],
      sheets["real_time"], sheets["pdf_MB"], sheets["real_time"] / whole["real_time"]))
print("%-52s %10.0f %10.1f %8.2f" % ("librecad dxf2pdf: the whole plan on one A3 page",
      librecad, os.path.getsize(sys.argv[4]) / 2**20, librecad / whole["real_time"]))
print("librecad's one page takes %.1f times as long as our sheets" % (librecad / sheets["real_time"]))
print("memory of the sheet print beyond the drawing: %.0f MB at most" % sheets["extra_peak_MB"])
PY
