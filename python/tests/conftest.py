"""Shared fixtures: the shipped database, the command line beside it, synthetic spectra."""
import csv
import io
import os
import pathlib
import subprocess

import numpy as np
import pytest

import velmora

SOURCE = pathlib.Path(os.environ.get("VELMORA_SOURCE", pathlib.Path(__file__).resolve().parents[2]))


@pytest.fixture(scope="session")
def db():
    return velmora.Database()


@pytest.fixture(scope="session")
def oh(db):
    return db.entry("OH", "(A-X)")


def run_cli(*args, check=True):
    """Runs velmora-cli on the database the module opened; returns its standard output (with
    check=False also when it exits with a failure code)."""
    cli = os.environ.get("VELMORA_CLI")
    if not cli:
        pytest.skip("VELMORA_CLI is not set (the tests run through ctest)")
    done = subprocess.run([cli, *map(str, args), "--data", velmora.default_data_folder()],
                          capture_output=True, text=True, check=check)
    return done.stdout


def cli_rows(*args):
    """The CSV a database command writes, as a list of dicts."""
    return list(csv.DictReader(io.StringIO(run_cli(*args))))


def synthetic(db, entry, conditions, T, amplitude=1000.0, baseline=5.0, noise=1.0, seed=1, margin=10.0):
    """A measured OH-like spectrum: the simulation at T scaled to `amplitude`, a baseline and
    Gaussian noise of a fixed seed. A spectrometer also sees the wings of lines beyond the range
    and the fit draws them, so the simulation runs `margin` axis units wider on both sides and
    the points inside the range are kept (a simulation of the range alone has only its own lines
    and ends at 0)."""
    wide = {**conditions.as_dict(), "temperature": T, "start": conditions.start - margin, "end": conditions.end + margin}
    x, y = velmora.simulate(db, entry, velmora.Conditions(**wide))
    inside = (x >= conditions.start) & (x <= conditions.end)
    rng = np.random.default_rng(seed)
    return x[inside], amplitude * y[inside] / 100.0 + baseline + noise * rng.standard_normal(np.count_nonzero(inside))
