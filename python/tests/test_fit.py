"""Fits from Python: recovery of a synthetic temperature, the result's parts, errors, threads."""
import concurrent.futures
import os

import numpy as np
import pytest

import velmora
from conftest import synthetic

CONDITIONS = velmora.Conditions(start=3060, end=3130, resolution=0.5)


@pytest.fixture(scope="module")
def measured(db, oh):
    return synthetic(db, oh, CONDITIONS, T=2000)


def fit(db, oh, x, y, **options):
    return velmora.fit(db, oh, x, y, conditions=CONDITIONS, start={"t": 1000}, **options)


def test_fit_recovers_the_temperature_within_its_uncertainty(db, oh, measured):
    x, y = measured
    r = fit(db, oh, x, y)
    assert r.free == ["t", "scale", "baseline"]
    assert abs(r.values["t"] - 2000) < 2 * r.uncertainties["t"]
    assert abs(r.values["baseline"] - 5) < 2 * r.uncertainties["baseline"]
    assert r.reduced_chi_square == pytest.approx(1.0, abs=0.15)  # noise of σ = 1, equal weights
    assert r.degrees_of_freedom == x.size - 3
    np.testing.assert_allclose(r.model + r.residual, y, atol=1e-9)
    np.testing.assert_allclose(np.diag(r.correlation), 1.0)
    assert r.correlation.shape == (3, 3) and np.allclose(r.correlation, r.correlation.T)
    assert r.values["gauss"] == 0.5 and r.uncertainties["gauss"] == 0.0  # fixed at the resolution


def test_fit_reads_the_spectrum_from_a_file(db, oh, measured, tmp_path):
    x, y = measured
    path = tmp_path / "oh.txt"
    np.savetxt(path, np.column_stack([x, y, np.ones_like(x)]), header="wavelength intensity sigma", comments="# ")
    assert velmora.read_spectrum(path).sigma is None  # a third column is no uncertainty unless named
    spectrum = velmora.read_spectrum(path, sigma_column=3)
    np.testing.assert_allclose(spectrum.x, x, rtol=1e-15)
    np.testing.assert_allclose(spectrum.sigma, 1.0)
    r = fit(db, oh, spectrum.x, spectrum.y, sigma=spectrum.sigma, source=str(path))  # weighted by sigma
    assert abs(r.values["t"] - 2000) < 2 * r.uncertainties["t"]


@pytest.mark.parametrize("name,text,options", [
    ("nm.txt", lambda x, y: "".join(f"{a / 10!r} {b!r}\n" for a, b in zip(x, y)), {"spectrum_units": "nm-vacuum"}),
    ("cm.txt", lambda x, y: "".join(f"{1e8 / a!r} {b!r}\n" for a, b in zip(x, y)), {"spectrum_units": "cm-1"}),
    ("comma.txt", lambda x, y: "".join(f"{a!r}\t{b!r}\n".replace(".", ",") for a, b in zip(x, y)), {}),
    ("raw.csv", lambda x, y: "nm,raw,calibrated\n" + "".join(f"{a / 10!r},{b!r},0\n" for a, b in zip(x, y)),
     {"column": 2}),
])
def test_read_spectrum_takes_the_command_lines_reading_options(measured, tmp_path, name, text, options):
    x, y = measured
    path = tmp_path / name
    path.write_text(text(x, y))
    spectrum = velmora.read_spectrum(path, **options)
    order = np.argsort(spectrum.x)
    np.testing.assert_allclose(spectrum.x[order], x, rtol=1e-14)
    np.testing.assert_allclose(spectrum.y[order], y, rtol=1e-15)
    assert spectrum.sigma is None


@pytest.mark.parametrize("options,message", [
    ({"spectrum_units": "parsec"}, "spectrum_units = 'parsec' is not one of auto"),
    ({"sigma_column": 3, "reader": "two-column"}, "keeps no uncertainties"),
])
def test_read_spectrum_refuses_options_it_cannot_follow(tmp_path, options, message):
    path = tmp_path / "s.txt"
    path.write_text("3060 1 0.5\n3061 2 0.5\n3062 1 0.5\n")
    with pytest.raises(velmora.InputError, match=message):
        velmora.read_spectrum(path, **options)


def test_the_window_reader_scales_to_a_peak_of_100(tmp_path):
    path = tmp_path / "nm.txt"
    path.write_text("306.0 5\n306.5 20\n307.0 10\n")
    x, y, sigma = velmora.read_spectrum(path, reader="two-column")
    np.testing.assert_allclose(x, [3060, 3065, 3070], rtol=1e-6)
    np.testing.assert_allclose(y, [25, 100, 50], rtol=1e-6)
    assert sigma is None


@pytest.mark.parametrize("content,message", [
    ("3060 1\n3061 abc\n", r"bad\.txt, line 2"),
    ("", r"bad\.txt: no point"),
])
def test_unreadable_files_raise_input_error_naming_file_and_line(tmp_path, content, message):
    path = tmp_path / "bad.txt"
    path.write_text(content)
    with pytest.raises(velmora.InputError, match=message):
        velmora.read_spectrum(path)
    with pytest.raises(velmora.InputError, match="bad.txt"):
        velmora.read_spectrum(path, reader="two-column")


@pytest.mark.parametrize("options,message", [
    ({"free": ["t", "temp"]}, "temp"),
    ({"bounds": {"t": (3000, 1000)}}, "t: the bounds"),
    ({"weighting": "sigma"}, "needs the uncertainties"),
    ({"source": "run 7.txt", "x": [1, 2, 3]}, "run 7.txt: x has 3 points"),
    # Limits the solver itself never sees: nothing free would abort it, a huge scan never ends.
    ({"free": []}, "no parameter is free"),
    ({"scan_points": 10**9}, "scan of 1000000000 points is outside 0..1000"),
    ({"entries": [1, 1]}, "OH \\(A-X\\) is given twice"),
])
def test_bad_fit_input_raises_input_error_naming_the_field(db, oh, measured, options, message):
    x, y = measured
    x = options.pop("x", x)
    entries = options.pop("entries", oh)
    with pytest.raises(velmora.InputError, match=message):
        fit(db, entries, x, y, **options)


@pytest.mark.parametrize("factor", [1e-12, 3e-7, 1e12])
def test_the_fit_does_not_depend_on_the_unit_of_y(db, oh, measured, factor):
    x, y = measured
    one = fit(db, oh, x, y, scan_points=0)
    scaled = fit(db, oh, x, factor * y, scan_points=0)
    assert scaled.values["t"] == pytest.approx(one.values["t"], rel=1e-7)
    assert scaled.uncertainties["t"] == pytest.approx(one.uncertainties["t"], rel=1e-6)
    assert scaled.values["scale"] / factor == pytest.approx(one.values["scale"], rel=1e-7)


def test_special_files_are_refused_not_read(tmp_path):
    fifo = tmp_path / "pipe.txt"
    os.mkfifo(fifo)
    for path, kind in ((fifo, "a named pipe"), ("/dev/zero", "a device")):
        for reader in ("measured", "two-column"):
            with pytest.raises(velmora.InputError, match=f"is not a regular file \\({kind}\\)"):
                velmora.read_spectrum(path, reader=reader)


def test_a_fit_that_does_not_converge_raises_convergence_error(db, oh, measured):
    with pytest.raises(velmora.ConvergenceError, match="no convergence within 1 iteration"):
        fit(db, oh, *measured, free=["t", "scale", "baseline", "gauss", "shift"], max_iterations=1)


def test_two_threads_fitting_at_once_give_the_serial_results(db, oh):
    spectra = [synthetic(db, oh, CONDITIONS, T=T, seed=seed) for T, seed in ((1500, 2), (2500, 3))]
    serial = [fit(db, oh, x, y).values for x, y in spectra]
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        parallel = list(pool.map(lambda s: fit(db, oh, *s).values, spectra))
    assert parallel == serial


def test_diagnostics_components_and_uncertainty_estimates_of_a_fit(db, oh, measured):
    x, y = measured
    r = fit(db, oh, x, y, bootstrap=20, seed=3, threads=2)
    d = r.diagnostics
    # Uniform weights: no chi-square to judge, but the σ of the noise (1) from the residuals.
    assert not d["sigma_known"]
    assert d["residual_sigma"] == pytest.approx(1.0, rel=0.1)
    assert d["pearson_r"] == pytest.approx(np.corrcoef(r.y, r.model)[0, 1], abs=1e-9)
    assert d["durbin_watson"] == pytest.approx(2.0, abs=0.3)  # independent noise
    assert d["largest_residual"] == pytest.approx(r.residual[np.argmax(np.abs(r.residual))])
    # The bands of the one system add up to its part of the model.
    bands = [v for k, v in r.components.items() if r.component_bands[k][3] == 0]
    assert len(bands) >= 2
    np.testing.assert_allclose(np.sum(bands, axis=0), r.parts[0], rtol=1e-5, atol=1e-6 * r.parts[0].max())
    # Every estimate is there; the headline is the largest of those beyond the covariance's.
    for name in r.free:
        estimates = [r.covariance_uncertainties[name], r.correlated_uncertainties[name],
                     r.bootstrap_uncertainties[name]]
        assert all(e > 0 for e in estimates)
        assert r.uncertainties[name] >= r.covariance_uncertainties[name]
        assert r.uncertainties[name] <= max(estimates) * (1 + 1e-12)
    again = fit(db, oh, x, y, bootstrap=20, seed=3, threads=1)
    for name in r.free:  # the seed decides, not the threads
        assert again.bootstrap_uncertainties[name] == r.bootstrap_uncertainties[name]


def test_identify_names_the_systems_it_tried_best_first(db, oh, measured):
    x, y = measured
    found = velmora.identify(db, oh, x, y, conditions=CONDITIONS, start={"t": 1000}, threads=2)
    assert found.result.values["t"] == pytest.approx(2000, rel=0.05)
    shares = [c["share"] for c in found.candidates]
    assert shares == sorted(shares, reverse=True)
    assert all(0.0 <= s <= 1.0 for s in shares)
    assert all(c["entry"] != oh for c in found.candidates)
    assert all(isinstance(name, str) for name in found.outside)


def test_the_arrays_of_a_result_are_read_only_views_that_keep_it_alive(db, oh):
    import gc
    x, y = synthetic(db, oh, CONDITIONS, T=1800, seed=61)
    r = velmora.fit(db, oh, x, y, conditions=CONDITIONS)
    views = [r.x, r.y, r.model, r.residual, *r.parts, *r.components.values()]
    assert r.model.__array_interface__["data"][0] == views[2].__array_interface__["data"][0]   # no copy
    assert all(not v.flags.writeable and not v.flags.owndata for v in views)
    with pytest.raises(ValueError):
        views[2][0] = 0.0
    expected = [v.copy() for v in views]
    del r
    gc.collect()
    assert all(np.array_equal(v, e) for v, e in zip(views, expected))   # the result lives with its arrays
    assert np.allclose(views[0], x) and np.allclose(views[1], y)
