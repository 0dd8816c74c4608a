#!/bin/sh
# Saving N polylines of ten vertices as DXF (default a million): our saveDxf (bench_dxf)
# against ezdxf's saveas, one after the other, with the ratio of the saving times.
#
#   bench/dxf_compare.sh [N]        (builds build-bench/bench/bench_dxf when missing)
set -e
N=${1:-1000000}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build-bench}
PYTHON=/usr/bin/python3

if [ ! -x "$BUILD/bench/bench_dxf" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKWL_BENCH=ON >/dev/null
    cmake --build "$BUILD" --target bench_dxf >/dev/null
fi

ours=$(KWL_DXF_POLYLINES=$N "$BUILD/bench/bench_dxf" --benchmark_format=json 2>/dev/null |
    $PYTHON -c 'import json, sys; b = json.load(sys.stdin)["benchmarks"][0]; print(b["real_time"] / 1000, b["MB"])')
theirs=$($PYTHON "$ROOT/bench/dxf_ezdxf.py" "$N")

$PYTHON - "$N" "$ours" "$theirs" <<'PY'
import re, sys
n, ours, theirs = sys.argv[1], sys.argv[2].split(), sys.argv[3]
ours_s, ours_mb = float(ours[0]), float(ours[1])
theirs_s = float(re.search(r"save ([0-9.]+) s", theirs).group(1))
print("KWL_Edytor %s polylines: save %.3f s, %.1f MB" % (n, ours_s, ours_mb))
print(theirs)
print("ezdxf save time / ours: %.1f" % (theirs_s / ours_s))
PY
