"""The keywords of velmora.Conditions are the fields of the command line's options, with the same
names, choices and limits: for every field of the table a value given to Python and to
velmora-cli gives the same conditions, and a fit gives the same result both ways."""
import csv
import math
import os
import subprocess

import numpy as np
import pytest

import velmora
from conftest import run_cli

TABLE = velmora.Conditions.field_table()

# Fields whose rules need another one: a window that ends above its start, absolute absorption
# of an absorption spectrum, a measured instrument function of a file, a resolution that changes
# across the range of a convolved instrument function.
COMPANIONS = {
    "resolution_slope": {"lineshape": "triangle"},
    "window": {"window_end": 20000.0},
    "window_start": {"window_end": 20000.0},
    "absorption_units": {"kind": "absorption"},
}


@pytest.fixture(scope="module")
def files(tmp_path_factory):
    folder = tmp_path_factory.mktemp("fields")
    slit = folder / "slit.txt"
    slit.write_text("-0.1 0\n0 1\n0.05 0.5\n0.1 0\n")
    filt = folder / "filter.txt"
    filt.write_text("300 0.2\n310 0.9\n320 0.4\n")
    return {"slit": str(slit), "filter": str(filt)}


def values_of(row, files):
    """Values other than the default for a field: every choice, a number inside its limits."""
    default = velmora.Conditions().as_dict()[row["keyword"]]
    if row["type"] == "number":
        low, high = row["limits"] if row["limits"] else (1000.0, 1e6)
        return [v for v in (0.35, 2.75, 3100.125, -0.25) if low <= v <= high and v != default][:1]
    if row["type"] in ("choice", "switch"):
        names = [n for n in row["choices"] if n != default and n != "file"]
        return names if row["type"] == "choice" else [not default]
    if row["type"] == "text":
        return ["N2=0.5,H2O=0.5"]
    return [files[row["keyword"]]]


def cli_conditions(**given):
    args = ["conditions"]
    for keyword, value in given.items():
        option = next(r["option"] for r in TABLE if r["keyword"] == keyword)
        args += [option, "on" if value is True else "off" if value is False else value]
    return dict(line.split("=", 1) for line in run_cli(*args).splitlines())


def same(python, cli):
    if isinstance(python, bool):
        return cli == str(python)
    if isinstance(python, float):
        return float(cli) == python
    return cli == ("None" if python is None else str(python))


def test_every_field_has_its_option_and_a_keyword_of_the_same_name():
    assert [r["keyword"] for r in TABLE] == velmora.Conditions.fields()
    for r in TABLE:
        expected = "--yield" if r["keyword"] == "fluorescence_yield" else "--" + r["keyword"].replace("_", "-")
        assert r["option"] == expected


@pytest.mark.parametrize("row", TABLE, ids=[r["keyword"] for r in TABLE])
def test_python_and_the_command_line_give_the_same_conditions(row, files):
    for value in values_of(row, files):
        given = {row["keyword"]: value, **COMPANIONS.get(row["keyword"], {})}
        python = velmora.Conditions(**given).as_dict()
        cli = cli_conditions(**given)
        assert set(cli) == set(python)
        for keyword, v in python.items():
            assert same(v, cli[keyword]), f"{row['keyword']}={value!r}: {keyword} {v!r} against {cli[keyword]}"


@pytest.mark.parametrize("row", [r for r in TABLE if r["type"] == "number" and r["limits"]],
                         ids=lambda r: r["keyword"])
def test_python_refuses_what_the_command_line_refuses(row):
    low, high = row["limits"]
    if math.isfinite(high) and high < 1e30:
        beyond = high + max(1.0, abs(high) * 1e-3)
    else:
        beyond = low - max(1.0, abs(low) * 1e-3)
    if row["keyword"] == "pressure":  # limits in Torr
        beyond = high * 2
    with pytest.raises(velmora.InputError, match=row["keyword"]):
        velmora.Conditions(**{row["keyword"]: beyond})


def cli_refusal(*args):
    """The exit code and the first line of what velmora-cli writes to its error stream."""
    cli = os.environ.get("VELMORA_CLI")
    if not cli:
        pytest.skip("VELMORA_CLI is not set (the tests run through ctest)")
    done = subprocess.run([cli, "conditions", *map(str, args), "--data", velmora.default_data_folder()],
                          capture_output=True, text=True)
    return done.returncode, done.stderr.splitlines()[0] if done.stderr else ""


@pytest.mark.parametrize("row", [r for r in TABLE if r["rule_with"]], ids=lambda r: r["keyword"])
def test_python_and_the_command_line_refuse_a_broken_rule_between_fields_alike(row, files):
    # Given without the field its rule needs, the value is refused by both with the same words;
    # the companion makes both accept it (the test above).
    value = values_of(row, files)[0]
    other = next(r for r in TABLE if r["keyword"] == row["rule_with"])
    code, cli = cli_refusal(row["option"], value)
    assert code != 0
    prefix = "option " + row["option"] + " "
    assert prefix in cli
    words = cli[cli.index(prefix) + len(prefix):].replace(other["option"], other["keyword"])
    with pytest.raises(velmora.InputError) as python:
        velmora.Conditions(**{row["keyword"]: value})
    assert str(python.value).endswith("conditions: " + row["keyword"] + " " + words)
    # Set on conditions that break the rule, the value is refused and the conditions stay.
    c = velmora.Conditions()
    with pytest.raises(velmora.InputError, match=row["keyword"]):
        setattr(c, row["keyword"], value)
    assert c.as_dict() == velmora.Conditions().as_dict()


def test_a_fit_from_python_equals_the_command_lines(db, oh, tmp_path):
    # The resolution 0.35 is no single-precision number: both fit at the same instrument width.
    conditions = velmora.Conditions(start=3060, end=3130, resolution=0.35)
    x, y = velmora.simulate(db, oh, velmora.Conditions(**{**conditions.as_dict(), "temperature": 1800}))
    rng = np.random.default_rng(4)
    y = np.round(500.0 * y / 100.0 + 3.0 + rng.standard_normal(x.size), 4)
    x = np.round(x, 4)
    path = tmp_path / "oh.txt"
    np.savetxt(path, np.column_stack([x, y]), fmt="%.4f")
    out = tmp_path / "fit.csv"
    run_cli("fit", "--entry", oh, "--spectrum", path, "--start", 3060, "--end", 3130, "--resolution", 0.35,
            "--free", "t,scale,baseline", "--set", "t=1000", "--out", out)
    with open(out) as f:
        row = next(csv.DictReader(f))
    x, y = np.loadtxt(path, unpack=True)
    r = velmora.fit(db, oh, x, y, conditions=conditions, start={"t": 1000}, limit_to_range=True)
    # The same path to the same minimum: as many spectra evaluated, the values as the table keeps
    # them (every digit a double needs to read back as itself).
    assert int(row["evaluations"]) == r.evaluations and int(row["points"]) == r.points
    for name in ("t", "scale", "baseline"):
        assert float(row[name]) == pytest.approx(r.values[name], rel=1e-12), name
        assert float(row[name + "_sigma"]) == pytest.approx(r.uncertainties[name], rel=1e-12), name
