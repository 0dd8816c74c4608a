#!/usr/bin/python3
"""Writes a DXF drawing with a dimension of every kind, each rendered by ezdxf into its block,
and beside it a JSON list of what each dimension measures, for the DXF reader's tests.

Run with Debian's Python, which has python3-ezdxf:

    /usr/bin/python3 tests/engine/data/make_dimensions_dxf.py [out.dxf]

Without an argument it writes dimensions.dxf and dimensions.json beside this script. The
drawing (R2000, in metres) holds the shapes measured on layer GEOMETRIA and the dimensions on
layer WYMIARY, in a dimension style KWL with two decimals and a decimal comma:

- the triangle (0,0), (40,0), (40,30): horizontal 40, vertical 30 (its text below the line by
  a style override of its own, DIMTAD 4), aligned 50, and the distance of its ends along a
  line turned by 30 degrees (40 cos 30 + 30 sin 30);
- a circle about (100,20) of radius 12.5: radius 12.5, diameter 25;
- two lines meeting at (150,0) at a right angle: 90 degrees; three points at (200,0): 60;
- the point (123.4, 56.78): ordinates x 123.4 and y 56.78 from the origin;
- an aligned dimension of the triangle's long side with its own text "L=<> m" (ezdxf draws it
  as it stands), and one with its text hidden (a single space).
"""

import json
import math
import pathlib
import sys

import ezdxf


def main():
    here = pathlib.Path(__file__).resolve().parent
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else here / "dimensions.dxf"
    doc = ezdxf.new("R2000", setup=True, units=6)  # metres
    doc.layers.add("GEOMETRIA", color=7)
    doc.layers.add("WYMIARY", color=1)
    style = doc.dimstyles.duplicate_entry("EZDXF", "KWL")
    style.dxf.dimdec = 2
    style.dxf.dimadec = 2
    style.dxf.dimdsep = ord(",")
    style.dxf.dimtxt = 2.5
    style.dxf.dimasz = 2.5
    style.dxf.dimzin = 0  # trailing zeros shown
    style.dxf.dimlfac = 1  # lengths shown as measured (the EZDXF style shows centimetres)
    msp = doc.modelspace()
    geometry = {"layer": "GEOMETRIA"}
    dims = {"layer": "WYMIARY"}
    expected = []

    def add(kind, override, value, text="<>", **more):
        override.render()
        entry = {"kind": kind, "value": value, "text": text,
                 "handle": override.dimension.dxf.handle}
        entry.update(more)
        expected.append(entry)

    # The triangle.
    a, b, c = (0, 0), (40, 0), (40, 30)
    msp.add_lwpolyline([a, b, c], close=True, dxfattribs=geometry)
    add("horizontal",
        msp.add_linear_dim(base=(0, -10), p1=a, p2=c, dimstyle="KWL", dxfattribs=dims), 40.0)
    add("vertical",
        msp.add_linear_dim(base=(50, 0), p1=b, p2=c, angle=90, dimstyle="KWL",
                           override={"dimtad": 4}, dxfattribs=dims), 30.0, placement="below")
    add("parallel",
        msp.add_aligned_dim(p1=a, p2=c, distance=10, dimstyle="KWL", dxfattribs=dims), 50.0)
    turned = 40 * math.cos(math.radians(30)) + 30 * math.sin(math.radians(30))
    add("horizontal",
        msp.add_linear_dim(base=(-10, 20), p1=a, p2=c, angle=30, dimstyle="KWL",
                           dxfattribs=dims), turned, rotation=30.0)
    add("parallel",
        msp.add_aligned_dim(p1=a, p2=c, distance=20, text="L=<> m", dimstyle="KWL",
                            dxfattribs=dims), 50.0, text="L=<> m")
    add("parallel",
        msp.add_aligned_dim(p1=a, p2=b, distance=-20, text=" ", dimstyle="KWL",
                            dxfattribs=dims), 40.0, text=" ")

    # The circle.
    centre, radius = (100, 20), 12.5
    msp.add_circle(centre, radius, dxfattribs=geometry)
    add("radial",
        msp.add_radius_dim(center=centre, radius=radius, angle=45, dimstyle="KWL",
                           dxfattribs=dims), radius)
    add("diametric",
        msp.add_diameter_dim(center=centre, radius=radius, angle=-30, dimstyle="KWL",
                             dxfattribs=dims), 2 * radius)

    # Angles: two lines, and three points.
    # (ezdxf 0.18 draws the text of the other sector when the lines are given the other way
    # round; the DXF holds the same points either way.)
    first, second = ((150, 0), (150, 40)), ((150, 0), (190, 0))
    msp.add_line(*first, dxfattribs=geometry)
    msp.add_line(*second, dxfattribs=geometry)
    add("angular",
        msp.add_angular_dim_2l(base=(170, 20), line1=first, line2=second, dimstyle="KWL",
                               dxfattribs=dims), 90.0)
    vertex = (200, 0)
    p1 = (240, 0)
    p2 = (200 + 40 * math.cos(math.radians(60)), 40 * math.sin(math.radians(60)))
    msp.add_line(vertex, p1, dxfattribs=geometry)
    msp.add_line(vertex, p2, dxfattribs=geometry)
    add("angular",
        msp.add_angular_dim_3p(base=(225, 10), center=vertex, p1=p1, p2=p2, dimstyle="KWL",
                               dxfattribs=dims), 60.0)

    # Ordinates of a point.
    point = (123.4, 56.78)
    msp.add_point(point, dxfattribs=geometry)
    add("ordinate_x",
        msp.add_ordinate_x_dim(feature_location=point, offset=(2, 15), dimstyle="KWL",
                               dxfattribs=dims), point[0])
    add("ordinate_y",
        msp.add_ordinate_y_dim(feature_location=point, offset=(15, 2), dimstyle="KWL",
                               dxfattribs=dims), point[1])

    doc.saveas(out)
    auditor = ezdxf.readfile(out).audit()
    if auditor.has_errors:
        sys.exit(f"{out}: ezdxf's audit finds errors")
    out.with_suffix(".json").write_text(json.dumps(expected, indent=1) + "\n")
    print(f"{out}: {len(expected)} dimensions")


if __name__ == "__main__":
    main()
