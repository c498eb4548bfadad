"""Line lists of one's own from Python and the command line: the OH export read back."""
import csv
import os
import re
import subprocess

import numpy as np
import pytest

import velmora
from velmora import batch
from conftest import run_cli


@pytest.fixture(scope="module")
def exported(tmp_path_factory, oh):
    folder = tmp_path_factory.mktemp("lists")
    run_cli("export", "--entry", oh, "--format", "exomol", "--out", folder / "16O-1H__OWN")
    run_cli("export", "--entry", oh, "--format", "hitran", "--out", folder / "oh")
    return folder


@pytest.mark.parametrize("name", ["16O-1H__OWN.def", "oh.par"])
def test_a_line_list_simulates_as_the_command_line_does(db, exported, tmp_path, name):
    path = exported / name
    options = {"kind": "absorption", "start": 3060, "end": 3120, "temperature": 1500}
    out = tmp_path / "cli.mod"
    args = ["simulate", "--line-list", path, "--out", out]
    for key, value in options.items():
        args += ["--" + key, value]
    run_cli(*args)
    expected = np.loadtxt(out, delimiter=",")
    lines = db.line_list(path)
    x, y = velmora.simulate(db, lines, velmora.Conditions(**options))
    np.testing.assert_allclose(x, expected[:, 0], rtol=0, atol=1e-3)
    np.testing.assert_allclose(y, expected[:, 1], rtol=0, atol=1e-3)
    # The simulation of the catalogue system it came from.
    _, direct = velmora.simulate(db, db.entry("OH", "(A-X)"), velmora.Conditions(fluorescence_yield="excluded", **options))
    assert np.corrcoef(y, direct)[0, 1] > 0.99999


def test_lines_and_lifetimes_of_a_line_list(db, exported):
    full = db.line_list(exported / "16O-1H__OWN.def")
    part = db.line_list(exported / "16O-1H__OWN.def", window=(32000, 33000))
    table = db.lines(part)
    assert len(table) == len(part) < len(full) == full.transitions_read
    assert np.all((table["position_cm-1"] >= 32000) & (table["position_cm-1"] <= 33000))
    assert np.all(np.diff(table["position_cm-1"]) >= 0)
    tau = db.lifetimes(full)
    assert len(tau) > 100 and np.all(tau["radiative_ns"] > 0)
    # The lowest level of OH A v' = 0: 675 +- 13 ns measured (data-src/OH_AX/transitions.csv).
    low = tau[np.argmin(tau["energy_cm-1"])]
    assert abs(low["radiative_ns"] - 675) < 3 * 13


def test_a_line_list_fit_from_python_equals_the_command_lines(db, exported, tmp_path):
    # The emission of the read list at 1800 K, 0.35 A resolution (no single-precision number:
    # both fit at the same instrument width), noise of a fixed seed, written to 4 decimals.
    path = exported / "16O-1H__OWN.def"
    lines = db.line_list(path)
    conditions = velmora.Conditions(start=3060, end=3130, resolution=0.35)
    x, y = velmora.simulate(db, lines, velmora.Conditions(**{**conditions.as_dict(), "temperature": 1800}))
    rng = np.random.default_rng(8)
    y = np.round(500.0 * y / 100.0 + 3.0 + rng.standard_normal(x.size), 4)
    x = np.round(x, 4)
    spectrum = tmp_path / "list.txt"
    np.savetxt(spectrum, np.column_stack([x, y]), fmt="%.4f")
    out = tmp_path / "fit.csv"
    run_cli("fit", "--line-list", path, "--spectrum", spectrum, "--start", 3060, "--end", 3130, "--resolution", 0.35,
            "--free", "t,scale,baseline", "--set", "t=1000", "--out", out)
    with open(out) as f:
        row = next(csv.DictReader(f))
    x, y = np.loadtxt(spectrum, unpack=True)
    r = velmora.fit(db, lines, x, y, conditions=conditions, start={"t": 1000}, limit_to_range=True)
    assert abs(r.values["t"] - 1800) < 2 * r.uncertainties["t"]
    assert int(row["evaluations"]) == r.evaluations and int(row["points"]) == r.points
    for name in ("t", "scale", "baseline"):
        assert float(row[name]) == pytest.approx(r.values[name], rel=1e-12), name
        assert float(row[name + "_sigma"]) == pytest.approx(r.uncertainties[name], rel=1e-12), name
    # A batch of it (here, no cluster: a line list stays in this process) fits the same.
    rows = batch.fit_spectra([(x, y)], lines, conditions=conditions, start={"t": 1000}, limit_to_range=True)
    assert rows[0]["status"] == "fitted" and rows[0]["t"] == r.values["t"]


def test_a_boltzmann_plot_from_python_equals_the_command_lines(exported, db, tmp_path):
    # The emission of the HITRAN list at 2000 K: the command line's CSV and Python's plot agree.
    path = exported / "oh.par"
    mod = tmp_path / "emission.mod"
    run_cli("simulate", "--line-list", path, "--start", 3080, "--end", 3100, "--temperature", 2000,
            "--resolution", 0.08, "--out", mod)
    out = tmp_path / "plot.csv"
    run_cli("boltzmann", "--line-list", path, "--spectrum", mod, "--resolution", 0.08, "--set", "t=1500",
            "--out", out)
    with open(out) as f:
        text = f.read().splitlines()
    rows = list(csv.DictReader(text[:-1]))
    T, sigma = map(float, re.search(r"T = (\S+) ± (\S+) K", text[-1]).groups())
    x, y = velmora.read_spectrum(mod)[:2]
    plot = velmora.boltzmann(db, db.line_list(path), x, y,
                             conditions=velmora.Conditions(start=3080, end=3100, resolution=0.08), start={"t": 1500})
    assert plot.temperature == pytest.approx(T, rel=1e-9) and plot.temperature_sigma == pytest.approx(sigma, rel=1e-9)
    assert abs(plot.temperature - 2000) < max(3 * plot.temperature_sigma, 0.5)
    assert len(rows) == len(plot.energy)
    for row, e, ln, used in zip(rows, plot.energy, plot.ln_n_over_g, plot.used):
        assert float(row["energy_cm-1"]) == pytest.approx(e, rel=1e-9)
        assert (row["used"] == "1") == used
        if used:
            assert float(row["ln_N_over_g"]) == pytest.approx(ln, rel=1e-9, abs=1e-12)
    with pytest.raises(velmora.InputError, match="one band system"):
        velmora.boltzmann(db, [1, 2], x, y)


def cli_error(*args):
    """Exit code and standard error of a velmora-cli run."""
    cli = os.environ.get("VELMORA_CLI")
    if not cli:
        pytest.skip("VELMORA_CLI is not set (the tests run through ctest)")
    done = subprocess.run([cli, *map(str, args)], capture_output=True, text=True)
    return done.returncode, done.stderr


def test_the_command_line_takes_a_line_list_in_place_of_an_entry(exported, oh):
    path = exported / "oh.par"
    listed = run_cli("lines", "--line-list", path, "--line-window", "32400:32500").splitlines()
    assert listed[0].startswith("position_cm-1,") and len(listed) > 10
    lifetimes = run_cli("lifetimes", "--line-list", path).splitlines()
    assert lifetimes[0] == "energy_cm-1,g,J,radiative_ns,level" and len(lifetimes) > 100
    # The Boltzmann plot of the list's upper levels from its own emission at 2000 K.
    mod = exported / "emission.mod"
    run_cli("simulate", "--line-list", path, "--start", 3080, "--end", 3100, "--temperature", 2000,
            "--resolution", 0.08, "--out", mod)
    plot = run_cli("boltzmann", "--line-list", path, "--spectrum", mod, "--resolution", 0.08,
                   "--set", "t=1500").splitlines()
    assert plot[0] == f"{mod}: line list HITRAN molecule 13 isotopologue 1"
    T, sigma = map(float, re.match(r"T = ([\d.]+) ± ([\d.]+) K from \d+ of \d+ upper levels", plot[1]).groups())
    assert abs(T - 2000) < max(3 * sigma, 0.5)
    for args, message in [
        (["simulate", "--entry", oh, "--line-list", path, "--out", exported / "x.mod"], "exclude each other"),
        (["table", "--line-list", path, "--kind", "vibrational", "--quantity", "1"], "catalogue entries only"),
        (["simulate", "--line-list", exported / "none.def", "--out", exported / "x.mod"], "none.def: is missing"),
        (["simulate", "--line-list", path, "--out", exported / "x.mod", "--units", "cm-1",
          "--start", 60000, "--end", 60100],
         "no line of the list lies in the range"),
    ]:
        code, err = cli_error(*args)
        assert code != 0 and message in err, (args, err)


def test_a_damaged_line_list_names_its_file_and_line(db, tmp_path):
    bad = tmp_path / "bad.par"
    bad.write_text("13" + "1" + " " * 20 + "\n")
    with pytest.raises(velmora.InputError, match=r"bad\.par, line 1: the record holds 23 characters"):
        db.line_list(bad)
