"""Writes N polylines of ten vertices with ezdxf, the same ones bench/DxfBench.cpp writes, and
prints the time of building them and of saving the file.

    /usr/bin/python3 bench/dxf_ezdxf.py N [path]
"""
import os
import sys
import time

import ezdxf


def main():
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
    path = sys.argv[2] if len(sys.argv) > 2 else "/tmp/kwl_bench_dxf_ezdxf_%d.dxf" % n
    start = time.perf_counter()
    doc = ezdxf.new("R2000")
    doc.header["$DWGCODEPAGE"] = "ANSI_1250"
    layers = ["Krawedzie", "Osie", "Rowy", "Skarpy"]
    for name in layers:
        doc.layers.add(name, color=1, lineweight=25)
    msp = doc.modelspace()
    for i in range(n):
        x = 7500000.0 + i * 0.731
        y = 5500000.0 + (i % 997) * 3.17
        points = [(x + k * 1.25, y + k * 0.5) for k in range(10)]
        msp.add_lwpolyline(points, format="xy", dxfattribs={"layer": layers[i % 4]})
    built = time.perf_counter()
    doc.saveas(path)
    saved = time.perf_counter()
    size = os.path.getsize(path)
    os.remove(path)
    print("ezdxf %d polylines: build %.3f s, save %.3f s, %.1f MB"
          % (n, built - start, saved - built, size / 1e6))


if __name__ == "__main__":
    main()
