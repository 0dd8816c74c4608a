#!/bin/bash
# Prints a road drawing to PDF with this program and with LibreCAD (`librecad dxf2pdf`, Debian
# package librecad) side by side, on the same machine in one run. Our side converts the ".kwl"
# as "Plik KWL" does, exports it to DXF for LibreCAD, and prints both the converted drawing and
# the DXF loaded again; both programs fit the drawing on one A3 landscape page.
#
# usage: bench/print_compare.sh [SIZE_MB]   (default: the shipped samples/plan.kwl; with a size,
#                                            a generated plan of that many megabytes)
# Needs `make bench` first (build-bench/) and the librecad package.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bench=$here/build-bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
cmake --build "$bench" --target print_compare_ours kwl_generate kwl_data >/dev/null

if [ $# -ge 1 ]; then
    "$bench/tools/kwl_generate" --sheet plan --size-mb "$1" "$work/plan.kwl"
else
    cp "$here/samples/plan.kwl" "$work/plan.kwl"
fi

start=$(date +%s.%N)
ours=$("$bench/bench/print_compare_ours" "$work/plan.kwl" "$work/plan.dxf" "$work/ours.pdf")
end=$(date +%s.%N)
ours_process_ms=$(echo "($end - $start) * 1000" | bc -l)
value() { echo "$ours" | awk -v k="$1" '$1 == k { print $2 }'; }

start=$(date +%s.%N)
# LibreCAD writes the PDF beside the DXF, under its name.
mkdir "$work/librecad"
cp "$work/plan.dxf" "$work/librecad/plan.dxf"
librecad dxf2pdf -a -p 420x297 "$work/librecad/plan.dxf" >/dev/null 2>&1
end=$(date +%s.%N)
mv "$work/librecad/plan.pdf" "$work/librecad.pdf" 2>/dev/null || true
librecad_ms=$(echo "($end - $start) * 1000" | bc -l)
[ -s "$work/librecad.pdf" ] || { echo "librecad wrote no PDF" >&2; exit 1; }

kwl_total=$(echo "$(value kwl_convert) + $(value kwl_print)" | bc -l)
dxf_total=$(echo "$(value dxf_load) + $(value dxf_print)" | bc -l)
printf 'drawing: %s (%s bytes as .kwl, %s bytes as .dxf)\n' "$(basename "$work/plan.kwl")" \
    "$(stat -c %s "$work/plan.kwl")" "$(stat -c %s "$work/plan.dxf")"
printf '%-44s %10s %10s\n' "" "ms" "librecad/x"
printf '%-44s %10.1f %10.1f\n' "KWL_Edytor: .kwl -> PDF (convert + print)" "$kwl_total" \
    "$(echo "$librecad_ms / $kwl_total" | bc -l)"
printf '%-44s %10.1f %10.1f\n' "KWL_Edytor: .dxf -> PDF (load + print)" "$dxf_total" \
    "$(echo "$librecad_ms / $dxf_total" | bc -l)"
printf '%-44s %10.1f %10s\n' "KWL_Edytor: the whole process (all of the above, DXF export too)" \
    "$ours_process_ms" "-"
printf '%-44s %10.1f %10s\n' "librecad dxf2pdf: .dxf -> PDF (whole process)" "$librecad_ms" "1.0"
printf 'PDF sizes: ours %s bytes, librecad %s bytes\n' "$(stat -c %s "$work/ours.pdf")" \
    "$(stat -c %s "$work/librecad.pdf")"
