"""Conditions and simulations from Python against velmora-cli simulate for the same inputs."""
import gc

import numpy as np
import pytest

import velmora
from conftest import run_cli


def cli_simulation(tmp_path, entry, options, independent=False):
    out = tmp_path / "cli.mod"
    args = ["simulate", "--entry", entry, "--out", out] + (["--independent"] if independent else [])
    for name, value in options.items():
        args += ["--" + name.replace("_", "-"), value]
    run_cli(*args)
    return np.loadtxt(out, delimiter=",")


@pytest.mark.parametrize("options", [
    {},
    {"temperature": 2000, "resolution": 0.3, "start": 3060, "end": 3200},
    {"kind": "absorption", "units": "cm-1", "start": 32200, "end": 32700, "temperature": 1500, "resolution": 2,
     "doppler": "on", "density": "high"},
    {"kind": "lif", "units": "air", "start": 3060, "end": 3120, "lineshape": "voigt", "lorentzian": 30, "pressure": 760, "collisional": "on",
     "coll_b1": 0.1, "fluorescence_yield": "excluded"},
])
def test_simulate_equals_the_command_line(db, oh, tmp_path, options):
    cli_options = {("yield" if k == "fluorescence_yield" else k): v for k, v in options.items()}
    expected = cli_simulation(tmp_path, oh, cli_options)
    x, y = velmora.simulate(db, oh, velmora.Conditions(**options))
    assert x.shape == y.shape == expected[:, 0].shape
    step = x[1] - x[0]
    np.testing.assert_allclose(x, expected[:, 0], rtol=0, atol=0.1 * step)
    np.testing.assert_allclose(y, expected[:, 1], rtol=0, atol=1e-3)  # the file keeps 4 decimals on 0..100


def test_per_level_spectra_equal_the_independent_columns_and_add_up(db, oh, tmp_path):
    options = {"temperature": 4000, "start": 2800, "end": 3300, "resolution": 0.5}
    expected = cli_simulation(tmp_path, oh, options, independent=True)
    x, y, levels = velmora.simulate(db, oh, velmora.Conditions(**options), per_level=True)
    assert sorted(levels) == list(levels) and len(levels) == expected.shape[1] - 2 > 1
    for k, v in enumerate(levels):
        np.testing.assert_allclose(levels[v], expected[:, 1 + k], atol=1e-3)
    np.testing.assert_allclose(sum(levels.values()), y, atol=1e-4)


@pytest.mark.parametrize("system, window", [("OH", (2800, 3300)), ("N2 (C-B)", (3100, 3400))])
def test_given_vibrational_populations_select_the_levels(db, oh, system, window):
    entry = oh if system == "OH" else db.entry("N2", "(C-B)")
    c = velmora.Conditions(temperature=3000, start=window[0], end=window[1])
    x, y, levels = velmora.simulate(db, entry, c, populations={1: 1.0}, per_level=True)
    assert list(levels) == [1] and y.max() == pytest.approx(100.0)
    # Three times the population of v = 1 weighs its spectrum three times against v = 0.
    _, _, even = velmora.simulate(db, entry, c, populations={0: 1.0, 1: 1.0}, per_level=True)
    _, _, tripled = velmora.simulate(db, entry, c, populations={0: 1.0, 1: 3.0}, per_level=True)
    assert even[0].sum() > 0 and even[1].sum() > 0
    assert tripled[1].sum() / tripled[0].sum() == pytest.approx(3.0 * even[1].sum() / even[0].sum(), rel=1e-6)
    with pytest.raises(velmora.InputError, match="v = 40"):
        velmora.simulate(db, entry, c, populations={40: 1.0})


def test_conditions_have_the_command_line_defaults_and_read_back():
    c = velmora.Conditions()
    assert (c.kind, c.units, c.start, c.end, c.temperature, c.resolution, c.lineshape, c.density) == (
        "emission", "vacuum", 3050.0, 3150.0, 300.0, 1.0, "gaussian", "standard")
    assert c.predissociation and not c.doppler
    c.kind = 3
    c.doppler = "on"
    assert (c.kind, c.doppler) == ("lif", True)
    assert velmora.Conditions(**c.as_dict()).as_dict() == c.as_dict()
    assert set(c.as_dict()) == set(velmora.Conditions.fields())


@pytest.mark.parametrize("make,message", [
    (lambda: velmora.Conditions(temprature=300), "temprature is not a condition"),
    (lambda: velmora.Conditions(kind="raman"), "kind = 'raman' is not one of emission, absorption"),
    (lambda: velmora.Conditions(resolution="wide"), "resolution = 'wide' is not a number"),
    (lambda: velmora.Conditions(doppler=3), "doppler = 3"),
])
def test_bad_conditions_name_the_field(make, message):
    with pytest.raises(velmora.InputError, match=message):
        make()


def test_unusable_conditions_raise_input_error_from_the_core(db, oh):
    with pytest.raises(velmora.InputError, match="(?i)resolution"):
        velmora.simulate(db, oh, velmora.Conditions(resolution=-1))


def test_simulated_arrays_hold_their_own_buffers_beyond_the_database():
    # The arrays adopt the buffers the simulation filled: no copy, one buffer each, valid after the
    # database and everything else of the call is gone.
    local = velmora.Database()
    x, y, levels = velmora.simulate(local, local.entry("OH", "(A-X)"),
                                    velmora.Conditions(temperature=3000, start=2800, end=3300), per_level=True)
    del local
    gc.collect()
    arrays = [x, y, *levels.values()]
    assert all(a.base is not None and not a.flags.owndata and a.flags.writeable for a in arrays)
    assert len({a.__array_interface__["data"][0] for a in arrays}) == len(arrays)
    np.testing.assert_allclose(np.diff(x), x[1] - x[0], rtol=1e-9)
    np.testing.assert_allclose(sum(levels.values()), y, atol=1e-4)
    assert y.max() == pytest.approx(100.0)
    y *= 2.0  # the caller's to change
    assert y.max() == pytest.approx(200.0)


def test_a_triplet_system_simulates_and_fits_as_the_command_line_does(db, tmp_path):
    """N2 C-B (second positive) from Python: the spectrum of velmora-cli simulate, its peak at the
    red edge of the band at the (0,0) P3 head of the folder README (337.144 nm, air), the three
    sub-band heads just to its blue, and a fit of it gives back 1500 K."""
    n2 = db.entry("N2", "(C-B)")
    options = {"units": "nm-air", "start": 335, "end": 338, "resolution": 0.01, "temperature": 1500}
    expected = cli_simulation(tmp_path, n2, options)
    x, y = velmora.simulate(db, n2, velmora.Conditions(**options))
    np.testing.assert_allclose(x, expected[:, 0], rtol=0, atol=0.1 * (x[1] - x[0]))
    np.testing.assert_allclose(y, expected[:, 1], rtol=0, atol=1e-3)
    assert 337.144 - 0.1 < x[np.argmax(y)] < 337.144 + 0.01
    assert y[x > 337.144 + 0.03].max() < 0.01 * y.max()
    result = velmora.fit(db, n2, x, y + 1.0, conditions=velmora.Conditions(**{**options, "temperature": 1000}))
    assert abs(result.values["t"] - 1500) < max(2 * result.uncertainties["t"], 1.0)
