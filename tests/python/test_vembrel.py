"""The module against the command line: same numbers, arrays, settings, errors, threads."""

import ast
import pathlib
import sys
import threading
import time

import numpy as np
import pandas as pd
import pytest
import vembrel


@pytest.mark.parametrize("well, cli_args, kwargs", [
    ("B03", [], {}),
    ("D03", ["--cells"], {"cells": True}),  # field 0 missing: a black quarter, a note
    ("E05", ["--fit-radius", "300:380"], {"fit_radius": (300, 380)}),
    ("C07", ["--cells", "--settings", "{settings}"], {"cells": True, "settings": "{settings}"}),
])
def test_analyse_gives_the_command_lines_numbers(demo, demo_plate, well_json, tmp_path, well,
                                                 cli_args, kwargs):
    settings = vembrel.Settings({"nuclei": {"blue_cutoff": 80}, "cells.smoothness": 0.7})
    settings.save(tmp_path / "tuned.VLS")
    cli_args = [str(tmp_path / "tuned.VLS") if a == "{settings}" else a for a in cli_args]
    if "settings" in kwargs:
        kwargs = dict(kwargs, settings=vembrel.Settings.load(tmp_path / "tuned.VLS"))
    assert demo_plate.analyse(well, **kwargs).to_dict() == well_json(demo, well, *cli_args)


def test_attributes_are_the_dicts_numbers(demo_plate):
    result = demo_plate.analyse("D03", cells=True)
    d = result.to_dict()
    assert (result.well, result.plate) == ("D03", "DEMO_")
    assert (result.ring.x, result.ring.y, result.ring.radius) == (
        d["ring_x"], d["ring_y"], d["ring_radius"])
    for name in ("nuclei", "pixels", "calculated_nuclei", "average_distance", "total_nuclei",
                 "average_nucleus_size", "qc"):
        assert getattr(result, name) == d[name], name
    assert "missing_field" in result.qc and result.field_problems[0][0] == "missing"
    assert result.density == [(b["cells"], b["area"]) for b in d["density"]]
    assert len(result.immigrants) == result.nuclei
    assert sum(size for _, _, size, _ in result.immigrants) == result.pixels
    assert result.cell_statistics.kept == d["cells_kept"] == len(result.cells) > 0
    for cell, listed in zip(result.cells, d["cells"]["list"]):
        assert (cell.size, cell.ratio, cell.angle, cell.nucleus_size, cell.shape_class) == (
            listed["size"], listed["ratio"], listed["angle"], listed["nucleus_size"],
            listed["class"])
    assert demo_plate.analyse("D03").cells is None


def test_batch_in_plate_order_and_as_a_table(demo_plate, well_json, demo):
    seen = []
    results = demo_plate.batch(wells=["C02", "A05", "B11"], cells=True, jobs=2,
                               progress=lambda done, total: seen.append((done, total)))
    assert [r.well for r in results] == ["A05", "B11", "C02"]
    assert seen[-1] == (3, 3)
    assert results[1].to_dict() == well_json(demo, "B11", "--cells")
    table = vembrel.to_pandas(results)
    # The table's measures are the dict's, in its order (`well --json` is checked
    # against the measure table in C++).
    measures = [key for key in results[1].to_dict() if key not in (
        "well", "zone_contrast", "density", "radii", "max_text", "cells")]
    assert list(table.columns) == ["plate", "well", "included", *measures]
    row = table.set_index("well").loc["B11"]
    assert (row.ring_x, row.nuclei, row.cells_kept, row.round_rough) == (
        results[1].ring.x, results[1].nuclei, results[1].cell_statistics.kept,
        results[1].cell_statistics.class_counts["round_rough"])
    assert "cells_kept" not in vembrel.to_pandas(demo_plate.batch(wells=["A05"]))


def test_a_384_well_plate_gives_the_96_well_plates_numbers(demo, tmp_path, well_json):
    # The demo's B03 and D03 as wells I13 and P24 of a 384-well plate.
    twins = {"B03": "I13", "D03": "P24"}
    for well, twin in twins.items():
        for picture in demo.glob(f"DEMO_{well}f0*d*.tif"):
            field, channel = int(picture.name[-7]), int(picture.name[-5])
            (tmp_path / f"BIG_{twin}_s{field + 1}_w{channel + 1}.tif").symlink_to(picture)
    plate = vembrel.Plate(tmp_path)
    assert (plate.layout, plate.prefix) == ("imagexpress", "BIG_")
    assert (plate.wells_per_plate, plate.wells) == (384, ["I13", "P24"])
    for result in plate.batch(jobs=2):
        original = [w for w, t in twins.items() if t == result.well][0]
        assert result.to_dict() == dict(well_json(demo, original), well=result.well)
    with pytest.raises(OSError, match="I13"):
        vembrel.Plate(tmp_path, wells_per_plate=96)
    with pytest.raises(ValueError, match="100 is no plate format"):
        vembrel.Plate(tmp_path, wells_per_plate=100)


def test_mosaics_round_trip(demo_plate):
    blue, green = demo_plate.mosaics("D03")
    assert blue.shape == green.shape == (1024, 1024) and blue.dtype == np.uint8
    # Field 0 (lower left) is missing: rows are top first.
    assert not blue[512:, :512].any() and blue[:512, :512].any()
    expected = demo_plate.analyse("D03", cells=True).to_dict()
    assert expected.pop("qc") == ["missing_field"]  # a note on the files, not on pixels
    given = vembrel.analyse_mosaics(blue, green, cells=True, well="D03").to_dict()
    assert given.pop("qc") == [] and given == expected
    wide = np.zeros((1024, 2048), np.uint8)
    wide[:, 1::2] = blue
    strided, fortran = wide[:, 1::2], np.asfortranarray(green)
    assert not strided.flags.c_contiguous and not fortran.flags.c_contiguous
    given = vembrel.analyse_mosaics(strided, fortran, cells=True, well="D03").to_dict()
    assert given.pop("qc") == [] and given == expected


def test_settings(tmp_path):
    s = vembrel.Settings()
    assert s.to_dict()["display"]["green"] == {"cutoff": 10, "full_range": True, "saturation": 255}
    s.nuclei.blue_cutoff = np.int64(90)
    s.display.green.full_range = False
    s["cells.length_ratio"] = 2.5
    assert repr(s) == ("Settings({'display.green.full_range': False, "
                       "'nuclei.blue_cutoff': 90, 'cells.length_ratio': 2.5})")
    s.save(tmp_path / "s.VLS")
    assert vembrel.Settings.load(tmp_path / "s.VLS") == s != vembrel.Settings()
    with pytest.raises(ValueError, match=r"nuclei.blue_cutoff: 256 is outside 0..255"):
        s.nuclei.blue_cutoff = 256
    assert vembrel.Settings.range("nuclei.maximal_size") == (1, 1_000_000)
    with pytest.raises(ValueError, match=r"is not below display.blue.saturation 155"):
        s.display.blue.cutoff = 160
    with pytest.raises(TypeError, match=r"ring.radius: 3.5 is not a whole number"):
        s.ring.radius = 3.5
    assert s.nuclei.blue_cutoff == 90 and s.display.blue.cutoff == 10
    s.update({"display.blue.cutoff": 160, "display.blue.saturation": 200})
    assert (s.display.blue.cutoff, vembrel.Settings.range("ring.radius")) == (160, (1, 1024))
    with pytest.raises(AttributeError, match="nuclei holds green_cutoff"):
        s.nuclei.blue = 3
    (tmp_path / "bad.VLS").write_text("[Cent_COG]\r\nabc\r\n")
    with pytest.raises(ValueError, match="bad.VLS"):
        vembrel.Settings.load(tmp_path / "bad.VLS")
    with pytest.raises(OSError, match="missing.VLS"):
        vembrel.Settings.load(tmp_path / "missing.VLS")
    with pytest.raises(OSError):
        s.save(tmp_path / "no folder" / "s.VLS")


def test_stubs_name_every_setting():
    stub = ast.parse((pathlib.Path(vembrel.__file__).parent / "vembrel.pyi").read_text())
    classes = {c.name: {a.target.id: ast.unparse(a.annotation) for a in c.body
                        if isinstance(a, ast.AnnAssign)}
               for c in stub.body if isinstance(c, ast.ClassDef)}
    for name in vembrel.Settings.names():
        *groups, leaf = name.split(".")
        cls = "Settings"
        for group in groups:
            cls = classes[cls][group]
        assert classes[cls][leaf] == type(vembrel.Settings()[name]).__name__, name


def test_errors(demo, demo_plate, tmp_path):
    with pytest.raises(OSError, match="no such file or folder"):
        vembrel.Plate(tmp_path / "nowhere")
    (tmp_path / "empty").mkdir()
    with pytest.raises(OSError, match="empty"):
        vembrel.Plate(tmp_path / "empty")
    for call, pattern in [
        (lambda: demo_plate.analyse("Z99"), "Z99"),
        (lambda: demo_plate.analyse("F09"), "F09 has no field with both channel pictures"),
        (lambda: demo_plate.batch(wells=["A01", "A13"]), "A13"),
        (lambda: demo_plate.analyse("A01", fit_radius=(0, 300)), "within 1..2048"),
        (lambda: demo_plate.analyse("A01", fit_radius=(400, 300)), "within 1..2048"),
        (lambda: vembrel.Plate(demo, layout="{field}_{channel}.tif"), r"\{well\}"),
        (lambda: vembrel.Plate(demo, fields=2), "fields must be 4"),
        (lambda: vembrel.Plate(demo, input_bits=9), "input_bits"),
    ]:
        with pytest.raises(ValueError, match=pattern):
            call()
    with pytest.raises(TypeError, match="uint8"):
        vembrel.analyse_mosaics(np.zeros((1024, 1024)), np.zeros((1024, 1024), np.uint8))
    with pytest.raises(OSError, match="several fields per well"):
        vembrel.Plate(demo, fields=1)
    assert vembrel.Plate(demo, fields=4).fields == 4


def test_batch_releases_the_gil(demo_plate):
    # With a switch interval this long, another thread runs only when the GIL is let go.
    counter, stop = [0], threading.Event()

    def spin():
        while not stop.is_set():
            counter[0] += 1
            time.sleep(0.0001)

    interval = sys.getswitchinterval()
    sys.setswitchinterval(1000)
    spinner = threading.Thread(target=spin)
    try:
        spinner.start()
        before = counter[0]
        demo_plate.batch(wells=["A01", "A02"], jobs=1)
        during = counter[0] - before
    finally:
        stop.set()
        spinner.join()
        sys.setswitchinterval(interval)
    assert during > 0


def test_wrong_types_and_extreme_values_raise_type_and_value_errors(demo, demo_plate, tmp_path):
    settings = vembrel.Settings()
    mosaic = np.zeros((1024, 1024), np.uint8)

    def set_item(name, value):
        settings[name] = value

    wrong_types = [
        lambda: vembrel.Plate(demo, input_bits=12.0),
        lambda: vembrel.Plate(demo, plane="1"),
        lambda: vembrel.Plate(demo, plane=True),
        lambda: vembrel.Plate(demo, fields="4"),
        lambda: vembrel.Plate(demo, layout=3),
        lambda: demo_plate.batch(wells=[1, 2]),
        lambda: demo_plate.batch(wells=["A01"], jobs="2"),
        lambda: demo_plate.analyse(1),
        lambda: demo_plate.analyse("A01", fit_radius="ab"),
        lambda: demo_plate.analyse("A01", fit_radius=(300.5, 400)),
        lambda: demo_plate.analyse("A01", settings=3),
        lambda: demo_plate.mosaics(1),
        lambda: vembrel.Settings(3),
        lambda: set_item("ring.radius", "x"),
        lambda: vembrel.to_pandas([1]),
        lambda: vembrel.analyse_mosaics([[1]], mosaic),
    ]
    for call in wrong_types:
        with pytest.raises(TypeError):
            call()
    out_of_range = [
        (lambda: vembrel.Plate(demo, input_bits=2**70), "input_bits"),
        (lambda: vembrel.Plate(demo, input_bits=True), "input_bits"),
        (lambda: vembrel.Plate(demo, plane=0), "plane must lie within 1..99"),
        (lambda: vembrel.Plate(demo, plane=100), "plane must lie within 1..99"),
        (lambda: vembrel.Plate(demo, plane=2**70), "plane"),
        (lambda: demo_plate.batch(wells=["A01"], jobs=-1), "jobs"),
        (lambda: demo_plate.batch(wells=["A01"], jobs=2**70), "jobs"),
        (lambda: demo_plate.analyse("A01", fit_radius=(2**70, 1)), "fit_radius"),
        (lambda: demo_plate.analyse("A01", fit_radius=(300, 2049)), "fit_radius"),
        (lambda: set_item("ring.radius", 2**70), "too large"),
        (lambda: set_item("ring.radius", 1025), "outside 1..1024"),
        (lambda: settings.update({"cells.length_ratio": float("inf")}), "length_ratio"),
        (lambda: vembrel.analyse_mosaics(np.zeros((1024, 512), np.uint8), mosaic), "1024 x 1024"),
        (lambda: vembrel.analyse_mosaics(mosaic, np.zeros((1024, 2048), np.uint8)), "1024 x 1024"),
        (lambda: vembrel.analyse_mosaics(np.zeros((2048, 1024), np.uint8), mosaic), "1024 x 1024"),
    ]
    for call, pattern in out_of_range:
        with pytest.raises((ValueError, OverflowError), match=pattern):
            call()
    # The plane's whole range opens, its ends included.
    assert vembrel.Plate(demo, plane=99).plane == 99

    # A NUL would cut the name short and open or write another file.
    saved = tmp_path / "x.VLS"
    for call in [
        lambda: vembrel.Plate(str(demo) + "\0/etc/passwd"),
        lambda: settings.save(str(saved) + "\0.evil"),
        lambda: vembrel.Settings.load(str(saved) + "\0.evil"),
    ]:
        with pytest.raises(ValueError, match="NUL"):
            call()
    assert not saved.exists()


def test_a_given_ring_is_analysed_as_the_command_line_does(demo, demo_plate, well_json):
    result = demo_plate.analyse("B03", ring=(400, 600, 250))
    assert (result.ring.x, result.ring.y, result.ring.radius) == (400, 600, 250)
    assert result.to_dict() == well_json(demo, "B03", "--ring", "400,600,250")
    assert demo_plate.analyse("B03", ring=result.ring).to_dict() == result.to_dict()
    blue, green = demo_plate.mosaics("B03")
    assert vembrel.analyse_mosaics(blue, green, well="B03", ring=(400, 600, 250)).nuclei == (
        result.nuclei)
    assert demo_plate.analyse("B03", ring=(0, 1023, 1)).ring.radius == 1
    # Which rings are off the mosaic is the session's test; here its error is a ValueError.
    with pytest.raises(ValueError, match="x 1024 is outside"):
        demo_plate.analyse("B03", ring=(1024, 500, 100))
    with pytest.raises(ValueError, match="either fit_radius or ring"):
        demo_plate.analyse("B03", ring=(500, 500, 300), fit_radius=(200, 400))
    for ring in [(1, 2), (1, 2, 3, 4), ("a", 2, 3), (1.5, 2, 3), "123", 5]:
        with pytest.raises(TypeError, match="ring must be three whole numbers"):
            demo_plate.analyse("B03", ring=ring)


def test_own_cutoffs_and_the_suggestion_are_the_command_lines(demo, demo_plate, well_json, cli,
                                                             tmp_path):
    result = demo_plate.analyse("B03", cutoffs="well")
    assert result.to_dict() == well_json(demo, "B03", "--cutoffs", "well")
    d = result.to_dict()
    assert result.cutoffs == (d["nucleus_blue_cutoff"], d["nucleus_green_cutoff"])
    assert demo_plate.analyse("B03", cutoffs="plate").cutoffs is None
    blue, green = demo_plate.mosaics("B03")
    assert vembrel.analyse_mosaics(blue, green, cutoffs="well").cutoffs == result.cutoffs
    table = vembrel.to_pandas(demo_plate.batch(wells=["B03", "C04"], cutoffs="well"))
    assert list(table.columns[12:16]) == [
        "nuclei_outside", "nucleus_blue_cutoff", "nucleus_green_cutoff", "qc"]
    assert tuple(table.set_index("well").loc["B03"].iloc[12:14]) == result.cutoffs
    with pytest.raises(ValueError, match="not 'wells'"):
        demo_plate.batch(wells=["B03"], cutoffs="wells")
    with pytest.raises(TypeError, match="cutoffs must be a str"):
        demo_plate.analyse("B03", cutoffs=1)

    settings, reasons = demo_plate.suggest()
    printed = cli("suggest", demo, "--output", tmp_path / "suggested.VLS").splitlines()
    assert settings == vembrel.Settings.load(tmp_path / "suggested.VLS")
    assert reasons == printed[:-1]


def test_plate_map_variables_reach_the_results_and_the_table(demo, tmp_path):
    plate_map = tmp_path / "map.csv"
    plate_map.write_text("well,role,compound,concentration,unit,donor\n"
                         "A05,sample,DrugA,2.5,uM,d1\n"
                         "B11,negative_control,,,,\n")
    plate = vembrel.Plate(demo, plate_map=plate_map)
    assert plate.plate_map["A05"] == {"role": "sample", "compound": "DrugA", "concentration": 2.5,
                                      "unit": "uM", "condition": "DrugA 2.5 uM", "donor": "d1"}
    assert sorted(plate.plate_map) == ["A05", "B11"]
    results = plate.batch(wells=["A05", "B11", "C02"])
    assert results[1].variables["condition"] == "negative_control"
    assert results[2].variables["role"] is None  # C02 is not in the map
    assert plate.analyse("A05").variables["donor"] == "d1"
    table = vembrel.to_pandas(results)
    assert list(table.columns[:9]) == ["plate", "well", "role", "compound", "concentration",
                                       "unit", "condition", "donor", "included"]
    assert list(table["role"]) == ["sample", "negative_control", None]
    assert vembrel.Plate(demo).plate_map is None
    assert vembrel.Plate(demo).analyse("A05").variables is None
    bad = tmp_path / "bad.csv"
    bad.write_text("well,role\nA01,sample\nA01,sample\n")
    with pytest.raises(ValueError, match="line 3: well 'A01' is named twice"):
        vembrel.Plate(demo, plate_map=bad)


def test_time_course_is_the_command_lines(demo, tmp_path, cli):
    # Two acquisitions in Harmony-style names: B03's fields, then D05's under B03's name.
    series = tmp_path / "Images"
    series.mkdir()
    for time_point, source in ((1, "B03"), (2, "D05")):
        for picture in demo.glob(f"DEMO_{source}f0*d*.tif"):
            field, channel = int(picture.name[-7]), int(picture.name[-5])
            name = f"r02c03f{field + 1:02}p01-ch{channel + 1}sk{time_point}fk1fl1.tiff"
            (series / name).symlink_to(picture)
    plate = vembrel.Plate(series)
    assert (plate.time_points, plate.time_point) == ([1, 2], 1)
    table, kinetics = plate.time_course(hours=[0, 6.5], jobs=1)
    assert list(table.time_point) == [1, 2] and list(table.hours) == [0, 6.5]
    assert list(kinetics.readout) == ["nuclei", "calculated_nuclei", "zone_coverage"]

    cli("timecourse", series, "--hours", "0,6.5", "--results", tmp_path / "out")
    written = pd.read_csv(tmp_path / "out" / "Images_Vembrel_timecourse.csv", keep_default_na=False)
    assert list(written.columns) == list(table.columns)
    for column in ("ring_x", "ring_y", "nuclei", "calculated_nuclei", "zone_coverage"):
        assert list(written[column]) == list(table[column]), column
    # The first ring is held at the second time point.
    assert table.ring_x[1] == table.ring_x[0] and table.ring_y[1] == table.ring_y[0]
    # Given a results folder, the command's files are written.
    written_table, _ = plate.time_course(hours=[0, 6.5], jobs=1, results=tmp_path / "py")
    assert written_table.equals(table)
    for name in ("Images_Vembrel_timecourse.csv", "Images_Vembrel_kinetics.csv",
                 "Images_Vembrel_timecourse.html", "TimePoint_1/Images_Vembrel_wells.csv",
                 "TimePoint_2/Images_Vembrel_wells.csv", "TimePoint_2/WellResults/Images_B03.json"):
        assert (tmp_path / "py" / name).read_bytes() == (tmp_path / "out" / name).read_bytes(), name

    # A plate map gives the folder the command's condition curves.
    plate_map = tmp_path / "map.csv"
    plate_map.write_text("well,role,condition\nB03,sample,Drug\n")
    cli("timecourse", series, "--hours", "0,6.5", "--plate-map", plate_map,
        "--results", tmp_path / "mapped")
    vembrel.Plate(series, plate_map=plate_map).time_course(
        hours=[0, 6.5], jobs=1, results=tmp_path / "py-mapped")
    for name in ("Images_Vembrel_condition_curves.csv", "Images_Vembrel_condition_kinetics.csv"):
        expected = (tmp_path / "mapped" / name).read_bytes()
        assert b"Drug" in expected and (tmp_path / "py-mapped" / name).read_bytes() == expected

    with pytest.raises(ValueError, match="gives 3 times for 2 time points"):
        plate.time_course(hours=[0, 1, 2])
    with pytest.raises(TypeError):
        plate.time_course(hours="0,6")
    with pytest.raises(ValueError):
        plate.time_course(ring_drift=-1)


def test_pixel_size_gives_micrometre_twins(demo, well_json):
    plate = vembrel.Plate(demo, pixel_size=0.5)
    assert plate.pixel_size == 0.5 and vembrel.Plate(demo).pixel_size is None
    result = plate.analyse("B03", cells=True)
    assert result.pixel_size == 0.5
    assert result.to_dict() == well_json(demo, "B03", "--cells", "--pixel-size", "0.5")
    # The twins' formulas are the measure table's; the table carries them.
    table = vembrel.to_pandas([result]).iloc[0]
    assert table.ring_radius_um == pytest.approx(table.ring_radius * 0.5, abs=1e-9)
    assert "ring_radius_um" not in vembrel.to_pandas([vembrel.Plate(demo).analyse("B03")])
    for bad in (0, -1, 1000):
        with pytest.raises(ValueError, match="no pixel size"):
            vembrel.Plate(demo, pixel_size=bad)
    with pytest.raises(TypeError):
        vembrel.Plate(demo, pixel_size="0.5")
