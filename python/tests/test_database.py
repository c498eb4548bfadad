"""Database queries from Python against the command line's output for the same entries."""
import numpy as np
import pytest

import velmora
from conftest import cli_rows, synthetic


def test_systems_equal_the_command_line(db):
    rows = cli_rows("systems")
    systems = db.systems()
    assert [s["entry"] for s in systems] == [int(r["entry"]) for r in rows]
    for s, r in zip(systems, rows):
        assert (s["molecule"], s["system"], s["nmaxvib_up"]) == (r["molecule"], r["system"], int(r["nmaxvib_up"]))
        assert np.float32(s["mass"]) == np.float32(r["mass"])


@pytest.mark.parametrize("molecule,system,band", [("OH", "(A-X)", (0, 0)), ("OH", "(A-X)", (1, 0)),
                                                  ("NO", "(A-X)", (0, 1)), ("CH", "(A-X)", (0, 0)),
                                                  ("N2", "(C-B)", (0, 0)), ("C2", "(d-a)", (0, 1))])
def test_lines_equal_the_command_line(db, molecule, system, band):
    entry = db.entry(molecule, system)
    lines = db.lines(entry, band)
    rows = cli_rows("lines", "--entry", entry, "--band", "%d,%d" % band)
    assert len(lines) == len(rows) > 0
    assert list(lines.dtype.names) == list(rows[0].keys())
    for name in lines.dtype.names:
        column = [r[name] for r in rows]
        if lines.dtype[name].kind == "U":
            assert list(lines[name]) == column, name
        elif "F_up" in lines.dtype.names:  # a triplet system: double precision, printed to 4 decimals or 6 digits
            np.testing.assert_allclose(lines[name], np.array(column, dtype=float), rtol=1e-5, atol=6e-5, err_msg=name)
        else:  # the command line writes each stored value with every digit it holds
            np.testing.assert_array_equal(lines[name], np.array(column, dtype=lines.dtype[name]), err_msg=name)


def test_lines_follow_the_parity_selection_rule(db, oh):
    # Electric dipole lines join e with e and f with f when J changes, e with f when it does not.
    lines = db.lines(oh, (0, 0))
    up = {(r["N"], r["F"], r["parity"]): r for r in db.levels(oh, "upper", 0)}
    assert set(lines["parity_up"]) == set(lines["parity_low"]) == {"e", "f"}
    q_branch = np.char.startswith(lines["name_a"], "Q")
    same = lines["parity_up"] == lines["parity_low"]
    assert np.all(same[~q_branch]) and not np.any(same[q_branch])
    assert len(up) > 0


def test_line_positions_are_term_differences(db, oh):
    # Each line's position is the upper minus the lower term value of the levels it joins: the
    # lower level by its row, component (from J) and parity, the upper one by J' = J'' + 0, ±1.
    lines = db.lines(oh, (0, 0))
    lower = {(r["N"], r["F"], r["parity"]): r["term_cm-1"] for r in db.levels(oh, "lower", 0)}
    upper = {}
    for r in db.levels(oh, "upper", 0):
        upper.setdefault((float(r["J"]), r["parity"]), []).append(r["term_cm-1"])
    for line in lines:
        F = 1 if line["J_low"] == line["N_low"] + 0.5 else 2
        low = lower[(line["N_low"], F, line["parity_low"])]
        candidates = [t for dJ in (-1, 0, 1) for t in upper.get((line["J_low"] + dJ, line["parity_up"]), [])]
        assert min(abs(t - low - line["position_cm-1"]) for t in candidates) < 0.05, line


def test_lifetimes_equal_the_command_line(db, oh):
    table = db.lifetimes(oh)
    rows = cli_rows("lifetimes", "--entry", oh)
    assert len(table) == len(rows)
    for name in table.dtype.names:
        expected = np.array([r[name] if r[name] != "" else "nan" for r in rows], dtype=table.dtype[name])
        np.testing.assert_array_equal(table[name], expected, err_msg=name)


def test_triplet_lifetimes_and_levels(db):
    # N2 C-B: the lifetimes of velmora-cli, and every line of (0,0) the difference of the term
    # values of the levels it joins (F, J and e/f of both), the 14N2 weights 6 and 3 alone.
    n2 = db.entry("N2", "(C-B)")
    table = db.lifetimes(n2)
    rows = cli_rows("lifetimes", "--entry", n2)
    assert len(table) == len(rows) > 100
    for name in table.dtype.names:
        np.testing.assert_allclose(table[name], np.array([r[name] for r in rows], dtype=float), rtol=1e-6,
                                   err_msg=name)
    upper = {(r["J"], r["F"], r["parity"]): r["term_cm-1"] for r in db.levels(n2, "upper", 0)}
    lower = {(r["J"], r["F"], r["parity"]): r["term_cm-1"] for r in db.levels(n2, "lower", 0)}
    assert {r[1] for r in upper} == {1, 2, 3} and {r[2] for r in lower} == {"e", "f"}
    lines = db.lines(n2, (0, 0))
    assert set(lines["nuclear_weight"]) == {3.0, 6.0}
    for line in lines:
        up = upper[(line["J_up"], line["F_up"], line["parity_up"])]
        low = lower[(line["J_low"], line["F_low"], line["parity_low"])]
        assert abs(up - low - line["position_cm-1"]) < 1e-6, line


@pytest.mark.parametrize("call,message", [
    (lambda db: db.lines(999, (0, 0)), "999"),
    (lambda db: db.lines(1, (40, 0)), "band (40, 0)"),
    (lambda db: db.levels(1, "middle", 0), "middle"),
    (lambda db: db.levels(1, "upper", 99), "v = 99"),
    (lambda db: velmora.Database("/nonexistent/folder"), "/nonexistent/folder"),
])
def test_bad_requests_raise_input_error_naming_the_problem(db, call, message):
    with pytest.raises(velmora.InputError, match=message.replace("(", r"\(").replace(")", r"\)")):
        call(db)
    assert issubclass(velmora.InputError, ValueError)


def test_a_system_without_absolute_scale_gives_relative_spectra_and_fits_and_refuses_lifetimes(db):
    cf = db.entry("CF", "(A-X)")
    system = next(s for s in db.systems() if s["entry"] == cf)
    assert system["absolute_scale"] is False
    assert "the radiative lifetime of A v' = 0 is not known" in system["no_absolute_scale"]
    assert all(s["absolute_scale"] for s in db.systems() if s["entry"] != cf)
    with pytest.raises(Exception, match="radiative lifetime of A v' = 0 is not known"):
        db.lifetimes(cf)
    for refused in ({"quenching_source": "single", "quenching": 10.0}, {"gate": "resolved"}):
        with pytest.raises(Exception, match="radiative lifetime of A v' = 0 is not known"):
            velmora.simulate(db, cf, velmora.Conditions(kind="lif", start=2300, end=2350, **refused))
    # Lines and a relative emission spectrum, fitted back to its temperature.
    assert len(db.lines(cf, (0, 0))) > 400
    # Over independent noise the fitted temperatures scatter about 1500 K (their mean within three
    # standard errors of it) as widely as the reported σ says: no bias, an honest σ. The band head
    # just below 2320 Å puts wings into the range that a fit must see in the data too.
    conditions = velmora.Conditions(start=2320, end=2345, resolution=0.5)
    fits = [velmora.fit(db, cf, *synthetic(db, cf, conditions, T=1500, seed=seed), conditions=conditions,
                        start={"t": 800}) for seed in range(1, 25)]
    t = np.array([r.values["t"] for r in fits])
    sigma = np.mean([r.uncertainties["t"] for r in fits])
    assert abs(t.mean() - 1500) < 3 * t.std(ddof=1) / np.sqrt(t.size)
    assert 0.6 < t.std(ddof=1) / sigma < 1.4  # a sample σ of 24 fits is good to 15 %
