#!/usr/bin/python3
"""The same steps per well as `vembrel batch`, done the idiomatic scikit-image
way, to time against it as whole commands on one thread:

    OMP_NUM_THREADS=1 bench/skimage_pipeline.py PICTURES_DIR OUT_DIR [--cells]

Per well: the four fields of both channels read and put into 1024 x 1024
mosaics, the cell stain's Otsu threshold, cover map and largest sparse disc
(the zone assessment), the darkest disc of the ring's radius (the ring fit),
nuclei thresholded in both channels, labelled and sized, those in the ring
counted with their distances, the density profile in rings outside; at cell
level cells grown from the nuclei by a watershed in the cell stain and
measured. Files: the ring crop and the whole-well overview (halved) with outlines as
JPEG, a record per well (JSON), at cell level the cell table and the cell
snapshot; per plate the wells table and the nuclei table (CSV).
"""
import json
import os
import sys

import numpy as np
from scipy import ndimage as ndi
from skimage import draw, filters, io, measure, segmentation, transform, util

RADIUS = 350
CUTOFF_BLUE = 50
CUTOFF_GREEN = 0
MIN_SIZE, MAX_SIZE = 10, 400
INCREMENT = 10
CELL_CUTOFF = 40


def mosaic(folder, well, channel):
    """Fields f00..f03 of a channel: lower left, lower right, upper right, upper left."""
    quarters = []
    for field in range(4):
        path = os.path.join(folder, f"DEMO_{well}f{field:02d}d{channel}.tif")
        quarters.append(io.imread(path) if os.path.exists(path) else np.zeros((512, 512), np.uint8))
    quarters = [util.img_as_ubyte(q) if q.dtype != np.uint8 else q for q in quarters]
    return np.block([[quarters[3], quarters[2]], [quarters[0], quarters[1]]])


def assess_zone(green):
    threshold = filters.threshold_otsu(green)
    cover = (green > threshold).reshape(256, 4, 256, 4).sum(axis=(1, 3)) / 16.0
    density = ndi.uniform_filter(cover, size=31, mode="nearest")
    typical = np.percentile(density, 75)
    depth = ndi.distance_transform_edt(density < typical / 2)
    y, x = np.unravel_index(np.argmax(depth), depth.shape)
    return int(x) * 4 + 2, int(y) * 4 + 2, float(depth[y, x]) * 4


def fit_ring(green):
    disc = np.zeros((2 * RADIUS + 1,) * 2, np.float32)
    rr, cc = draw.disk((RADIUS, RADIUS), RADIUS)
    disc[rr, cc] = 1
    means = ndi.uniform_filter(green.astype(np.float32), size=2 * RADIUS + 1, mode="constant")
    inner = means[RADIUS:-RADIUS, RADIUS:-RADIUS]
    y, x = np.unravel_index(np.argmin(inner), inner.shape)
    return int(x) + RADIUS, int(y) + RADIUS


def analyse(folder, out, well, cells):
    blue, green = mosaic(folder, well, 0), mosaic(folder, well, 1)
    zone = assess_zone(green)
    cx, cy = fit_ring(green)
    nuclei = measure.label((blue >= CUTOFF_BLUE) & (green >= CUTOFF_GREEN))
    props = measure.regionprops_table(nuclei, properties=("label", "area", "centroid"))
    keep = (props["area"] >= MIN_SIZE) & (props["area"] <= MAX_SIZE)
    ys, xs = props["centroid-0"][keep], props["centroid-1"][keep]
    distances = np.hypot(xs - cx, ys - cy)
    inside = distances < RADIUS
    outside = distances[~inside]
    bins = np.arange(RADIUS, max(RADIUS + INCREMENT, outside.max(initial=RADIUS) + INCREMENT),
                     INCREMENT)
    profile, _ = np.histogram(outside, bins=bins)

    composite = np.dstack([np.zeros_like(blue), green, blue])
    top, left = max(cy - RADIUS, 0), max(cx - RADIUS, 0)
    crop = composite[top:cy + RADIUS, left:cx + RADIUS].copy()
    crop[..., 0] = 0
    io.imsave(os.path.join(out, "JPEGS", f"DEMO_{well}.jpg"), crop, quality=75,
              check_contrast=False)
    # The overview: the composite halved, the marks at half their coordinates.
    picture = transform.downscale_local_mean(composite, (2, 2, 1)).round().astype(np.uint8)
    rr, cc = draw.circle_perimeter(cy // 2, cx // 2, RADIUS // 2, shape=picture.shape[:2])
    picture[rr, cc] = (255, 255, 0)
    for y, x in zip(ys[inside].astype(int) // 2, xs[inside].astype(int) // 2):
        rr, cc = draw.circle_perimeter(y, x, 8, shape=picture.shape[:2])
        picture[rr, cc] = (255, 0, 0)
    io.imsave(os.path.join(out, "Wells", f"DEMO_{well}.jpg"), picture, quality=75,
              check_contrast=False)

    record = {"well": well, "ring": [cx, cy, RADIUS], "zone": zone,
              "immigrants": int(inside.sum()), "total": int(keep.sum()),
              "density": profile.tolist(),
              "nuclei": [[float(x), float(y), float(d)] for x, y, d in
                         zip(xs[inside], ys[inside], distances[inside])]}
    if cells:
        seeds = np.zeros_like(nuclei)
        for k, (y, x) in enumerate(zip(ys[inside].astype(int), xs[inside].astype(int)), 1):
            seeds[y, x] = k
        grown = segmentation.watershed(-green.astype(np.int16), seeds,
                                       mask=green >= CELL_CUTOFF)
        shapes = measure.regionprops_table(
            grown, properties=("label", "area", "perimeter", "major_axis_length",
                               "minor_axis_length", "orientation", "bbox"))
        with open(os.path.join(out, "CellShape", f"DEMO_{well}_cells.csv"), "w") as table:
            table.write("label,area,perimeter,major,minor,orientation\n")
            for row in zip(*(shapes[k] for k in ("label", "area", "perimeter",
                                                  "major_axis_length", "minor_axis_length",
                                                  "orientation"))):
                table.write(",".join(str(v) for v in row) + "\n")
        drawn = segmentation.mark_boundaries(crop, grown[top:cy + RADIUS, left:cx + RADIUS])
        io.imsave(os.path.join(out, "CellJPEGS", f"DEMO_{well}.jpg"),
                  util.img_as_ubyte(drawn), quality=75, check_contrast=False)
        record["cells"] = int(len(shapes["label"]))
    with open(os.path.join(out, "WellResults", f"DEMO_{well}.json"), "w") as file:
        json.dump(record, file)
    return record


def main():
    folder, out = sys.argv[1], sys.argv[2]
    cells = "--cells" in sys.argv[3:]
    for sub in ("JPEGS", "Wells", "WellResults", "CellShape", "CellJPEGS"):
        os.makedirs(os.path.join(out, sub), exist_ok=True)
    records = []
    for row in "ABCDEFGH":
        for column in range(1, 13):
            well = f"{row}{column:02d}"
            # Included: both channels in at least one field.
            if not any(all(os.path.exists(os.path.join(folder, f"DEMO_{well}f{f:02d}d{c}.tif"))
                           for c in (0, 1)) for f in range(4)):
                continue
            records.append(analyse(folder, out, well, cells))
    with open(os.path.join(out, "wells.csv"), "w") as table:
        table.write("well,immigrants,total,ring_x,ring_y\n")
        for r in records:
            table.write(f"{r['well']},{r['immigrants']},{r['total']},{r['ring'][0]},"
                        f"{r['ring'][1]}\n")
    with open(os.path.join(out, "nuclei.csv"), "w") as table:
        table.write("well,x,y,distance\n")
        for r in records:
            for x, y, d in r["nuclei"]:
                table.write(f"{r['well']},{x},{y},{d}\n")
    print(f"{len(records)} wells")


if __name__ == "__main__":
    main()
