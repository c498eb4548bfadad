"""Frames and LIF images from Python: a frame's rows fitted as arrays, the same numbers as the
command line, a corrupt row alone, frames spread over threads and a Dask cluster, and a LIF pair
made from the signals velmora-cli lif-lines prints."""
import csv
import io

import numpy as np
import pytest

import velmora
from velmora import batch
from conftest import run_cli, synthetic

CONDITIONS = velmora.Conditions(start=3060, end=3130, resolution=0.5)
OPTIONS = dict(conditions=CONDITIONS, start={"t": 1500}, block=2)


@pytest.fixture(scope="module")
def slit(db, oh):
    """Five rows from 1400 K to 2600 K (positions 0..2 mm), row 4 corrupted by a NaN."""
    rows = []
    for k, T in enumerate((1400, 1700, 2000, 2300, 2600)):
        x, y = synthetic(db, oh, CONDITIONS, T=T, seed=20 + k)
        rows.append(y)
    pixels = np.array(rows)
    pixels[3, 50] = np.nan
    return x, 0.5 * np.arange(5), pixels


def write_matrix(path, x, positions, pixels):
    with open(path, "w") as f:
        f.write("," + ",".join(f"{v:.10g}" for v in x) + "\n")
        for p, row in zip(positions, pixels):
            f.write(f"{p:g}," + ",".join("" if np.isnan(v) else f"{v:.8g}" for v in row) + "\n")


def test_a_frame_of_arrays_is_fitted_row_by_row_and_the_corrupt_row_fails_alone(db, oh, slit):
    r = velmora.fit_frame(db, oh, slit, threads=1, **OPTIONS)
    assert list(r.row) == [1, 2, 3, 4, 5]
    assert r.status == ["fitted"] * 3 + ["bad input", "fitted"]
    assert "row 4" in r.message[3] and "not a finite number" in r.message[3]
    assert r.start == ["request", "neighbour", "request", "neighbour", "request"]
    for T, t, dt in zip((1400, 1700, 2000, 2600), np.delete(r.values["t"], 3), np.delete(r.uncertainties["t"], 3)):
        assert abs(t - T) < 3 * dt
    assert np.isnan(r.values["t"][3])
    rows = r.rows()
    assert rows[0]["position"] == 0.0 and rows[4]["t"] == r.values["t"][4] and "t" not in rows[3]
    two = velmora.fit_frame(db, oh, slit, threads=2, **OPTIONS)
    np.testing.assert_array_equal(two.values["t"], r.values["t"])


def test_the_command_line_writes_the_numbers_python_returns(db, oh, slit, tmp_path):
    path, out = tmp_path / "slit.csv", tmp_path / "rows.csv"
    write_matrix(path, *slit)
    frame = velmora.read_frame(path)
    np.testing.assert_allclose(frame.pixels[0], slit[2][0], rtol=1e-6)
    assert frame.pixels.shape == (5, slit[0].size) and "matrix CSV" in frame.detail
    r = velmora.fit_frame(db, oh, path, **OPTIONS)
    run_cli("fit-frame", "--entry", oh, "--frame", path, "--start", 3060, "--end", 3130, "--resolution", 0.5,
            "--set", "t=1500", "--block", 2, "--out", out, check=False)
    table = list(csv.DictReader(io.StringIO(out.read_text())))
    assert [row["status"] for row in table] == r.status
    for row, t in zip(table, r.values["t"]):
        if row["status"] == "fitted":
            assert float(row["t"]) == pytest.approx(t, rel=1e-9)


def test_frames_spread_over_a_cluster_give_the_rows_of_one_run(db, oh, slit):
    frames = [slit, (slit[0], slit[1][:4], slit[2][:4] * 2.0)]
    one = [velmora.fit_frame(db, oh, f, **OPTIONS) for f in frames]
    for how in ({}, {"rows_per_task": 2}):
        spread = batch.fit_frames(frames, oh, **how, **OPTIONS)
        for a, b in zip(spread, one):
            assert a.status == b.status
            np.testing.assert_array_equal(a.values["t"], b.values["t"])
    distributed = pytest.importorskip("distributed")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        spread = batch.fit_frames(frames, oh, client=client, rows_per_task=3, **OPTIONS)
    for a, b in zip(spread, one):
        np.testing.assert_array_equal(a.values["t"], b.values["t"])
        np.testing.assert_array_equal(a.uncertainties["t"], b.uncertainties["t"])


def test_a_lif_pair_made_from_the_signals_of_lif_lines(db, oh):
    # The signals of two OH A-X (1,0) lines at 1200 K and 1800 K, as velmora-cli lif-lines prints them.
    lines = (2822.532, 2856.282)
    text = run_cli("lif-lines", "--entry", oh, "--range", "2822:2857", "--temperatures", "1200:1800", "--steps", 2,
                   "--resolution", 0.02)
    table = list(csv.reader(io.StringIO(text.split("\n\n")[0])))
    signal = {round(float(row[0]), 3): (float(row[2]), float(row[3])) for row in table[1:]}
    images = []
    for x in lines:
        cold, hot = signal[x]
        image = np.where(np.arange(16) < 8, cold, hot) * np.ones((10, 16)) * 3000 / signal[lines[0]][0]
        image[:2] = 0.0  # no signal: masked
        images.append(image + np.random.default_rng(int(x)).normal(0, 2, image.shape))
    conditions = velmora.Conditions(kind="lif", resolution=0.02)
    r = velmora.lif_temperature_image(db, oh, images, lines, conditions=conditions, temperatures=(600, 2600))
    assert r.temperature.shape == (10, 16) and r.valid == 8 * 16
    assert (r.mask[:2] == 1).all() and np.isnan(r.temperature[:2]).all()
    for columns, T in ((slice(0, 8), 1200), (slice(8, 16), 1800)):
        t, s = r.temperature[2:, columns], r.sigma[2:, columns]
        assert np.mean(np.abs(t - T) < 3 * s) > 0.97
    assert r.lines[0]["N_low"] == 1
    with pytest.raises(velmora.InputError, match="1 images for 2 excitation lines"):
        velmora.lif_temperature_image(db, oh, images[:1], lines, conditions=conditions)
