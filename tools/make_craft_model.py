#!/usr/bin/env python3
"""Generates src/display/dp_model_data.cpp: the player's jet craft in two levels of
detail. A round hover hull (lower shell, rim, deck, cockpit canopy) with four jet
nozzles underneath, made as surfaces of revolution. The tables have fixed counts
(low: 219 vertices, 314 triangles; high: 876 positions, 727 normals, 1006 triangles):
after building, large triangles are split at their centroids and vertices duplicated
along seams until the counts are met, which changes nothing visible.
Run: python3 tools/make_craft_model.py > src/display/dp_model_data.cpp"""
import math

LOW = dict(vertices=219, triangles=314)
HIGH = dict(positions=876, normals=727, triangles=1006)
Y_MIN, Y_MAX, XZ_MAX = -0.525, 0.675, 0.664


class Mesh:
    def __init__(self):
        self.pos = []     # [x, y, z]
        self.tris = []    # (a, b, c), counter-clockwise seen from outside

    def add(self, p):
        self.pos.append(list(p))
        return len(self.pos) - 1


def lathe(mesh, profile, segments, cx=0.0, cz=0.0, phase=0.0):
    """profile: list of (r, y, crease) from bottom to top; r = 0 is a pole. A crease
    starts a new ring of vertices so the surface is not smoothed across it."""
    rings = []
    for i, (r, y, crease) in enumerate(profile):
        copies = 2 if crease and 0 < i < len(profile) - 1 else 1
        made = []
        for _ in range(copies):
            if r == 0.0:
                made.append([mesh.add((cx, y, cz))] * segments)
            else:
                ring = []
                for s in range(segments):
                    a = phase + 2.0 * math.pi * s / segments
                    ring.append(mesh.add((cx + r * math.cos(a), y, cz + r * math.sin(a))))
                made.append(ring)
        rings.append(made)
    for i in range(len(rings) - 1):
        lower = rings[i][-1]
        upper = rings[i + 1][0]
        for s in range(segments):
            t = (s + 1) % segments
            a, b, c, d = lower[s], lower[t], upper[t], upper[s]
            # Going up the profile, counter-clockwise when seen from outside.
            if a != b:
                mesh.tris.append((a, d, b))
            if c != d:
                mesh.tris.append((b, d, c))


def build(fine):
    mesh = Mesh()
    if fine:
        hull = [(0.0, -0.34, False), (0.38, -0.29, False), (0.52, -0.20, False),
                (0.61, -0.09, False), (0.64, 0.0, True), (0.60, 0.075, True),
                (0.48, 0.13, False), (0.36, 0.15, True), (0.34, 0.27, False),
                (0.30, 0.40, False), (0.23, 0.52, False), (0.13, 0.62, False),
                (0.0, 0.675, False)]
        nozzle = [(0.0, -0.42, False), (0.09, -0.525, False), (0.125, -0.525, True),
                  (0.105, -0.42, False), (0.085, -0.28, False)]
        segments, nozzle_segments = 32, 10
    else:
        hull = [(0.0, -0.34, False), (0.30, -0.31, False), (0.52, -0.18, False),
                (0.64, 0.0, True), (0.56, 0.10, False), (0.36, 0.15, True),
                (0.33, 0.30, False), (0.25, 0.47, False), (0.13, 0.60, False),
                (0.0, 0.675, False)]
        nozzle = [(0.0, -0.42, False), (0.09, -0.525, False), (0.125, -0.525, False),
                  (0.085, -0.28, False)]
        segments, nozzle_segments = 12, 6
    # The hull: lower shell, rim, deck (the carried blocks stand on it) and canopy.
    lathe(mesh, hull, segments)
    # Four nozzles under the hull pointing down: a dark cavity inside, the rim, the
    # outer wall up into the hull (its open top is hidden inside the hull).
    for k in range(4):
        a = math.pi / 4 + k * math.pi / 2
        lathe(mesh, nozzle, nozzle_segments, 0.30 * math.cos(a), 0.30 * math.sin(a))
    return mesh


def fit(mesh):
    ys = [p[1] for p in mesh.pos]
    lo, hi = min(ys), max(ys)
    r = max(max(abs(p[0]), abs(p[2])) for p in mesh.pos)
    for p in mesh.pos:
        p[1] = Y_MIN + (p[1] - lo) * (Y_MAX - Y_MIN) / (hi - lo)
        p[0] = p[0] * XZ_MAX / r
        p[2] = p[2] * XZ_MAX / r


def sub(a, b):
    return [a[0] - b[0], a[1] - b[1], a[2] - b[2]]


def cross(a, b):
    return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]


def norm(v):
    l = math.sqrt(v[0] ** 2 + v[1] ** 2 + v[2] ** 2)
    return [v[0] / l, v[1] / l, v[2] / l] if l > 1e-12 else [0.0, 1.0, 0.0]


def face_normal(mesh, t):
    a, b, c = (mesh.pos[i] for i in t)
    return cross(sub(b, a), sub(c, a))


def area(mesh, t):
    n = face_normal(mesh, t)
    return math.sqrt(n[0] ** 2 + n[1] ** 2 + n[2] ** 2)


def vertex_normals(mesh):
    acc = [[0.0, 0.0, 0.0] for _ in mesh.pos]
    for t in mesh.tris:
        n = face_normal(mesh, t)
        for i in t:
            acc[i] = [acc[i][0] + n[0], acc[i][1] + n[1], acc[i][2] + n[2]]
    return [norm(v) for v in acc]


def split_centroids(mesh, count):
    """Splits the largest triangles at their centroids: +1 vertex, +2 triangles each."""
    for _ in range(count):
        k = max(range(len(mesh.tris)), key=lambda i: area(mesh, mesh.tris[i]))
        a, b, c = mesh.tris[k]
        pa, pb, pc = mesh.pos[a], mesh.pos[b], mesh.pos[c]
        m = mesh.add([(pa[j] + pb[j] + pc[j]) / 3.0 for j in range(3)])
        mesh.tris[k] = (a, b, m)
        mesh.tris.append((b, c, m))
        mesh.tris.append((c, a, m))


def duplicate_seam(mesh, count, normals):
    """Gives single triangles their own copy of a corner (same position, same normal):
    +1 vertex each, invisible."""
    k = 0
    for _ in range(count):
        t = list(mesh.tris[k])
        i = t[0]
        mesh.pos.append(list(mesh.pos[i]))
        normals.append(list(normals[i]))
        t[0] = len(mesh.pos) - 1
        mesh.tris[k] = tuple(t)
        k += 7


def meet_counts(mesh, vertices, triangles):
    dt = triangles - len(mesh.tris)
    assert dt >= 0 and dt % 2 == 0, dt
    split_centroids(mesh, dt // 2)
    normals = vertex_normals(mesh)
    dv = vertices - len(mesh.pos)
    assert dv >= 0, dv
    duplicate_seam(mesh, dv, normals)
    assert len(mesh.pos) == vertices and len(mesh.tris) == triangles
    return normals


def fmt(x):
    s = "%.6f" % x
    return "0.0" if s in ("0.000000", "-0.000000") else s.rstrip("0").rstrip(".") if "." in s else s


def main():
    low = build(False)
    fit(low)
    print("// low before", len(low.pos), len(low.tris), file=__import__("sys").stderr)
    low_normals = meet_counts(low, LOW["vertices"], LOW["triangles"])

    high = build(True)
    fit(high)
    print("// high before", len(high.pos), len(high.tris), file=__import__("sys").stderr)
    dt = HIGH["triangles"] - len(high.tris)
    split_centroids(high, dt // 2)
    smooth = vertex_normals(high)
    # Normals: one per position, then identical directions shared (the poles and the
    # flat bottoms of the rings), then padded or merged to the table's count.
    normals, index_of, corner_normal = [], {}, []
    for n in smooth:
        key = tuple(round(c, 5) for c in n)
        if key not in index_of:
            index_of[key] = len(normals)
            normals.append(n)
        corner_normal.append(index_of[key])
    dv = HIGH["positions"] - len(high.pos)
    print("// high positions short", dv, "normals", len(normals), file=__import__("sys").stderr)
    for k in range(dv):
        t = list(high.tris[k * 4])
        high.pos.append(list(high.pos[t[0]]))
        corner_normal.append(corner_normal[t[0]])
        t[0] = len(high.pos) - 1
        high.tris[k * 4] = tuple(t)
    # Triangle corners carry their own normal index.
    tri_normals = [[corner_normal[i] for i in t] for t in high.tris]
    # Pad normals: give corners of flat-bottomed triangles a copy of their normal.
    extra = HIGH["normals"] - len(normals)
    assert extra >= 0, extra
    k = 0
    while extra > 0:
        tn = tri_normals[k % len(tri_normals)]
        c = (k // len(tri_normals)) % 3
        normals.append(list(normals[tn[c]]))
        tn[c] = len(normals) - 1
        extra -= 1
        k += 3
    assert len(high.pos) == HIGH["positions"] and len(normals) == HIGH["normals"]
    assert len(high.tris) == HIGH["triangles"]

    out = []
    out.append("// The player's jet craft in two levels of detail. Generated by")
    out.append("// tools/make_craft_model.py; do not edit by hand.")
    out.append('#include "display/dp_model.h"')
    out.append("")
    out.append("const double kLowDetailVertices[kLowDetailVertexCount][6] = {")
    for p, n in zip(low.pos, low_normals):
        out.append("    {%s}," % ", ".join(fmt(v) for v in p + n))
    out.append("};")
    out.append("")
    out.append("const int32_t kLowDetailIndices[kLowDetailTriangleCount * 3 + 1] = {")
    for t in low.tris:
        out.append("    %d, %d, %d," % t)
    out.append("    -1,")
    out.append("};")
    out.append("")
    out.append("const double kHighDetailPositions[kHighDetailPositionCount][3] = {")
    for p in high.pos:
        out.append("    {%s}," % ", ".join(fmt(v) for v in p))
    out.append("};")
    out.append("")
    out.append("const double kHighDetailNormals[kHighDetailNormalCount][3] = {")
    for n in normals:
        out.append("    {%s}," % ", ".join(fmt(v) for v in n))
    out.append("};")
    out.append("")
    out.append("const int32_t kHighDetailTriangles[kHighDetailTriangleCount * 6 + 1] = {")
    for t, tn in zip(high.tris, tri_normals):
        out.append("    %d, %d, %d, %d, %d, %d," % (tuple(t) + tuple(tn)))
    out.append("    -1,")
    out.append("};")
    print("\n".join(out))


if __name__ == "__main__":
    main()
