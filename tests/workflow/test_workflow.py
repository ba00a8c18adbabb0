"""The Snakemake workflow over two plates, one whole and one cut into three
shards, writes each plate's files exactly as a single run does."""
import json
import os
import pathlib
import re
import shutil
import subprocess

import pytest

VEMBREL = os.environ.get("VEMBREL", "vembrel")
SNAKEFILE = pathlib.Path(__file__).resolve().parents[2] / "workflow" / "Snakefile"


def masked(path: pathlib.Path) -> bytes:
    """A result file with what differs from run to run (dates, times, command line) masked."""
    data = path.read_bytes()
    if path.name.endswith("_run.json"):
        manifest = json.loads(data)
        for key in ("command_line", "started", "ended", "seconds"):
            manifest[key] = None
        return json.dumps(manifest, sort_keys=True).encode()
    if path.name.endswith("_report.html"):
        return re.sub(rb"(<th>(Command line|Started|Ended)</th><td>)[^<]*", rb"\1", data)
    if path.suffix == ".csv":
        return re.sub(rb"Vembrel analysis: [^\r\n]*", b"Vembrel analysis:", data)
    return data


def result_files(folder: pathlib.Path) -> dict:
    return {str(p.relative_to(folder)): masked(p) for p in sorted(folder.rglob("*"))
            if p.is_file() and p.name != ".vembrel.lock"}


@pytest.mark.skipif(shutil.which("snakemake") is None, reason="snakemake is not installed")
def test_two_plates_one_in_shards_give_the_files_of_single_runs(tmp_path):
    subprocess.run([VEMBREL, "demo-plate", str(tmp_path / "full"), "--seed", "3"], check=True,
                   capture_output=True)
    first, second = tmp_path / "plates/first", tmp_path / "plates/second"
    first.mkdir(parents=True)
    second.mkdir(parents=True)
    for picture in (tmp_path / "full").glob("DEMO_A0[1-6]f*"):
        shutil.copy(picture, first)
    for picture in (tmp_path / "full").glob("DEMO_B0[1-6]f*"):
        shutil.copy(picture, second / picture.name.replace("DEMO_", "SECOND_"))
    (tmp_path / "config.yaml").write_text(
        "plates:\n"
        "  - plates/first/DEMO_A01f00d0.tif\n"
        "  - picture: plates/second\n"
        "    shards: 3\n"
        "results: results\n"
        "cells: true\n"
        f"vembrel: {VEMBREL}\n")
    subprocess.run(["snakemake", "--snakefile", str(SNAKEFILE), "--configfile", "config.yaml",
                    "--cores", "2", "--quiet"], cwd=tmp_path, check=True, capture_output=True)
    assert sorted(os.listdir(tmp_path / "results/.shards/SECOND")) == ["1", "2", "3"]

    for picture, name in ((first, "DEMO"), (second, "SECOND")):
        single = tmp_path / "single" / name
        subprocess.run([VEMBREL, "batch", str(picture), "--cells", "--progress", "none",
                        "--results", str(single)], check=True, capture_output=True)
        from_workflow = result_files(tmp_path / "results" / name)
        assert from_workflow.keys() == result_files(single).keys()
        for file, data in result_files(single).items():
            assert from_workflow[file] == data, f"{name}/{file} differs"


@pytest.mark.skipif(shutil.which("snakemake") is None, reason="snakemake is not installed")
def test_plates_with_maps_are_pooled_into_an_experiment(tmp_path):
    subprocess.run([VEMBREL, "demo-plate", str(tmp_path / "full"), "--seed", "3"], check=True,
                   capture_output=True)
    first, second = tmp_path / "plates/first", tmp_path / "plates/second"
    first.mkdir(parents=True)
    second.mkdir(parents=True)
    for picture in (tmp_path / "full").glob("DEMO_A0[1-6]f*"):
        shutil.copy(picture, first)
        shutil.copy(picture, second / picture.name.replace("DEMO_", "SECOND_"))
    (tmp_path / "map.csv").write_text(
        "well,role,compound,concentration\n"
        "A01,negative_control,,\nA02,negative_control,,\n"
        "A03,sample,DrugA,1\nA04,sample,DrugA,10\n"
        "A05,positive_control,,\nA06,positive_control,,\n")
    (tmp_path / "config.yaml").write_text(
        "plates:\n"
        "  - plates/first\n"
        "  - picture: plates/second\n"
        "    shards: 2\n"
        "results: results\n"
        "plate_maps:\n"
        "  DEMO: map.csv\n"
        "  SECOND: map.csv\n"
        f"vembrel: {VEMBREL}\n")
    subprocess.run(["snakemake", "--snakefile", str(SNAKEFILE), "--configfile", "config.yaml",
                    "--cores", "2", "--quiet"], cwd=tmp_path, check=True, capture_output=True)
    assert (tmp_path / "results/SECOND/SECOND_Vembrel_plate_quality.csv").exists()
    quality = (tmp_path / "results/experiment/Vembrel_experiment_plate_quality.csv").read_text()
    plates = [line.split(",")[0] for line in quality.splitlines()[1:]]
    assert plates == ["DEMO"] * 3 + ["SECOND"] * 3
    # The same pictures under both names: the same quality, plate by plate.
    rows = quality.splitlines()[1:]
    assert [r.split(",", 1)[1] for r in rows[:3]] == [r.split(",", 1)[1] for r in rows[3:]]
