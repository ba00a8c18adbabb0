"""Fixtures of the module's tests: the command line and the demo plates it writes."""

import json
import os
import pathlib
import subprocess

import pytest
import vembrel


@pytest.fixture(scope="session")
def cli():
    """Runs `vembrel ARGS...` and returns its stdout (ctest names the binary;
    else the one beside the module's build folder)."""
    binary = os.environ.get("VEMBREL_BINARY") or str(
        pathlib.Path(vembrel.__file__).resolve().parent.parent / "vembrel")

    def run(*args):
        done = subprocess.run([binary, *map(str, args)], capture_output=True, text=True,
                              timeout=120)
        assert done.returncode == 0, done.stderr
        return done.stdout

    return run


@pytest.fixture(scope="session")
def well_json(cli):
    """`vembrel well FOLDER WELL --json ARGS...` as a dict."""
    return lambda folder, well, *args: json.loads(cli("well", folder, well, "--json", *args))


@pytest.fixture(scope="session")
def demo(cli, tmp_path_factory):
    """The demo plate's folder (native layout: DEMO_<well>f0<field>d<channel>.tif)."""
    folder = tmp_path_factory.mktemp("demo")
    cli("demo-plate", folder)
    return folder


@pytest.fixture(scope="session")
def demo_plate(demo):
    return vembrel.Plate(demo)
