"""Reads a DXF file with ezdxf and writes the same entities again, timing both:
prints "ezdxf_read MS" and "ezdxf_save MS".

    /usr/bin/python3 bench/ezdxf_times.py INPUT.dxf OUTPUT.dxf
"""
import sys
import time

import ezdxf


def main():
    start = time.perf_counter()
    doc = ezdxf.readfile(sys.argv[1])
    read = time.perf_counter()
    doc.saveas(sys.argv[2])
    saved = time.perf_counter()
    print("ezdxf_read %.1f" % ((read - start) * 1000))
    print("ezdxf_save %.1f" % ((saved - read) * 1000))


if __name__ == "__main__":
    main()
