"""Batches of fits: serial, in threads and on a Dask LocalCluster of two processes give one table
with the same rows; a task that kills its worker becomes the row of its spectrum; a series started
from each spectrum's neighbour needs fewer spectra and reaches the minima of fits from the options."""
import os

import numpy as np
import pytest

import velmora
from velmora import batch
from conftest import synthetic

CONDITIONS = velmora.Conditions(start=3060, end=3130, resolution=0.5)


@pytest.fixture(scope="module")
def spectra(db, oh, tmp_path_factory):
    folder = tmp_path_factory.mktemp("batch")
    items = []
    for k, T in enumerate((1200, 1800, 2400)):
        x, y = synthetic(db, oh, CONDITIONS, T=T, seed=10 + k)
        if k == 1:
            items.append((x, y))
        else:
            items.append(folder / f"oh{k}.txt")
            np.savetxt(items[-1], np.column_stack([x, y]))
    items.append(folder / "missing.txt")
    return items


def run(spectra, oh, **how):
    return batch.fit_spectra(spectra, oh, conditions=CONDITIONS, start={"t": 1000}, **how)


@pytest.fixture(scope="module")
def serial(spectra, oh):
    return run(spectra, oh)


def test_the_serial_table_has_one_row_per_spectrum(spectra, serial):
    assert [r["index"] for r in serial] == list(range(len(spectra)))
    assert [r["status"] for r in serial] == ["fitted"] * 3 + ["bad input"]
    assert "missing.txt" in serial[3]["message"]
    for r, T in zip(serial, (1200, 1800, 2400)):
        assert abs(r["t"] - T) < 3 * r["t_err"]


def test_threads_give_the_serial_table(spectra, oh, serial):
    assert run(spectra, oh, threads=2) == serial


def test_a_two_process_local_cluster_gives_the_serial_table(spectra, oh, serial):
    distributed = pytest.importorskip("distributed")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        rows = run(spectra, oh, client=client)
        # Each worker process opened the database once, whatever number of tasks it ran.
        opened = client.run(lambda: len(batch._databases))
    assert rows == serial
    assert sorted(opened.values()) in ([0, 1], [1, 1])


def test_files_are_read_with_the_reading_options_and_sigma_only_from_the_column_named(db, oh, tmp_path):
    x, y = synthetic(db, oh, CONDITIONS, T=2000, seed=31)   # noise of σ = 1
    path = tmp_path / "sigma.txt"
    np.savetxt(path, np.column_stack([x / 10, y, np.full(x.size, 2.0)]))   # nm, and σ written as 2
    plain, named = (run([path], oh, spectrum_units="nm-vacuum", **how)[0] for how in ({}, {"sigma_column": 3}))
    assert plain["status"] == named["status"] == "fitted"
    assert plain["reduced_chi_square"] == pytest.approx(1.0, abs=0.15)
    assert named["reduced_chi_square"] == pytest.approx(0.25, abs=0.04)
    assert named["t"] == pytest.approx(plain["t"], rel=1e-9)   # equal weights either way


class DyingSpectrum:
    """A spectrum whose reading ends the worker process, as a crash in native code would."""

    def __iter__(self):
        os._exit(70)


def test_a_task_that_kills_its_worker_becomes_its_row_and_the_others_are_returned(spectra, oh, serial):
    distributed = pytest.importorskip("distributed")
    dask = pytest.importorskip("dask")
    # Last, so that every other task has run before it takes a worker down (twice: the scheduler
    # tries it once more elsewhere, then gives up).
    items = list(spectra) + [DyingSpectrum()]
    with dask.config.set({"distributed.scheduler.allowed-failures": 1}), \
            distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                     dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        rows = run(items, oh, client=client)
    # A task the scheduler had already placed on the dying worker may be lost with it: such a
    # row is returned failed with the reason; every row that finished equals its serial row.
    collateral = [r for r in rows[:-1] if r["status"] == "failed" and "KilledWorker" in r["message"]]
    assert len(collateral) < len(serial)
    assert [r for r in rows[:-1] if r not in collateral] == [s for s, r in zip(serial, rows) if r not in collateral]
    dead = rows[-1]
    assert (dead["index"], dead["source"], dead["status"]) == (len(spectra), f"spectrum {len(spectra)}", "failed")
    assert "KilledWorker" in dead["message"]


def test_a_warm_started_series_needs_fewer_spectra_and_gives_the_temperatures_of_cold_fits(db, oh):
    series = [synthetic(db, oh, CONDITIONS, T=T, seed=40 + k) for k, T in enumerate(range(1800, 2100, 50))]
    warm, cold = run(series, oh), run(series, oh, warm_start=False)
    assert [r["warm_start"] for r in warm] == [False] + [True] * 5
    assert not any(r["warm_start"] for r in cold)
    assert sum(r["evaluations"] for r in warm) < sum(r["evaluations"] for r in cold)
    for w, c in zip(warm, cold):
        # Both within the fit's convergence (a relative chi-square change of 1E-6) of one minimum.
        assert w["t"] == pytest.approx(c["t"], abs=0.05 * c["t_err"])
        assert w["scale"] == pytest.approx(c["scale"], abs=0.05 * c["scale_err"])
    # A block of one spectrum is fitted from the options.
    assert run(series[:2], oh, block=1) == cold[:2]
