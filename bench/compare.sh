#!/bin/bash
# This program against others on the same generated road drawings (a plan of 10 MB and one of
# 100 MB by default), measured one after the other on this machine in one run:
#   - KWL -> PDF (A3, fitted): our command line against `librecad dxf2pdf` on the same drawing
#     exported as DXF, both as whole processes;
#   - DXF export: ours against python3-ezdxf writing the same entities (read from our file);
#   - DXF load: ours against python3-ezdxf reading the same file;
#   - our ".rdw" save and load of the same drawing.
# In-process times come from build-bench/bench/compare_ours and bench/ezdxf_times.py.
#
# usage: bench/compare.sh [SIZE_MB ...]        (needs `make bench`: LibreCAD, ezdxf, bc)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bench=$here/build-bench
python=/usr/bin/python3
export QT_QPA_PLATFORM=offscreen
cmake --build "$bench" --target compare_ours kwl_generate kwl_data KWL_Edytor >/dev/null
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10 100)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ms_of() { echo "$1" | awk -v k="$2" '$1 == k { print $2 }'; }
now() { date +%s.%N; }
elapsed_ms() { echo "($2 - $1) * 1000" | bc -l; }
row() { # task, ours, theirs, other program
    printf '%-34s %12.1f %12.1f %8.1fx  %s\n' "$1" "$2" "$3" "$(echo "$3 / $2" | bc -l)" "$4"
}

for size in "${sizes[@]}"; do
    kwl=$work/plan$size.kwl
    "$bench/tools/kwl_generate" --sheet plan --size-mb "$size" "$kwl" >/dev/null
    ours=$("$bench/bench/compare_ours" "$kwl" "$work/ours.rdw" "$work/ours.dxf" "$work/ours.pdf")

    start=$(now)
    "$bench/KWL_Edytor" --export "$work/cli.pdf" --paper A3 "$kwl"
    cli_pdf=$(elapsed_ms "$start" "$(now)")

    mkdir -p "$work/lc"
    cp "$work/ours.dxf" "$work/lc/plan.dxf"
    start=$(now)
    librecad dxf2pdf -a -p 420x297 "$work/lc/plan.dxf" >/dev/null 2>&1
    lc_pdf=$(elapsed_ms "$start" "$(now)")
    [ -s "$work/lc/plan.pdf" ] || { echo "librecad wrote no PDF" >&2; exit 1; }

    theirs=$($python "$here/bench/ezdxf_times.py" "$work/ours.dxf" "$work/ezdxf.dxf")

    echo
    printf 'Road plan of %s MB (%s bytes .kwl, %s bytes .dxf, %s bytes .rdw)\n' "$size" \
        "$(stat -c %s "$kwl")" "$(stat -c %s "$work/ours.dxf")" "$(stat -c %s "$work/ours.rdw")"
    printf '%-34s %12s %12s %9s  %s\n' "task" "ours ms" "other ms" "other/us" "other"
    row "KWL -> PDF, whole process" "$cli_pdf" "$lc_pdf" "librecad dxf2pdf (from DXF)"
    row "DXF export" "$(ms_of "$ours" dxf_save)" "$(ms_of "$theirs" ezdxf_save)" "ezdxf saveas"
    row "DXF load" "$(ms_of "$ours" dxf_load)" "$(ms_of "$theirs" ezdxf_read)" "ezdxf readfile"
    printf '%-34s %12.1f\n' "KWL read (in process)" "$(ms_of "$ours" kwl_read)"
    printf '%-34s %12.1f\n' "PDF print (in process)" "$(ms_of "$ours" pdf_print)"
    printf '%-34s %12.1f\n' ".rdw save" "$(ms_of "$ours" rdw_save)"
    printf '%-34s %12.1f\n' ".rdw load" "$(ms_of "$ours" rdw_load)"
    rm -rf "$work/lc" "$work"/*.pdf "$work"/*.dxf "$work"/*.rdw "$kwl"
done
