"""Timings of the Python module (run with PYTHONPATH=build/python /usr/bin/python3 bench/python_timing.py).

1. One simulate() call on the conditions of the C++ benchmark BM_Simulate_OH_Gaussian (OH A-X,
   2800-3400 Å, 3000 K, 1 Å Gaussian), to set against that benchmark: the difference is the
   cost of the Python call, the thermal populations and the copies into NumPy arrays.
2. Fits of N synthetic OH spectra (default 200) as one batch: serially, with 2 threads and on
   a LocalCluster of 2 worker processes, in spectra per second.
"""
import argparse
import statistics
import time

import numpy as np

import velmora
from velmora import batch


def simulate_timing(db, oh, repeats):
    c = velmora.Conditions(start=2800, end=3400, temperature=3000, resolution=1)
    velmora.simulate(db, oh, c)  # the model is built on the first call
    times = []
    for _ in range(repeats):
        t0 = time.perf_counter()
        velmora.simulate(db, oh, c)
        times.append(time.perf_counter() - t0)
    return statistics.median(times) * 1e3, min(times) * 1e3


def spectra_set(db, oh, conditions, n):
    x, y = velmora.simulate(db, oh, conditions)
    rng = np.random.default_rng(1)
    out = []
    for k in range(n):
        T = 1500 + 1000 * k / n
        _, yT = velmora.simulate(db, oh, velmora.Conditions(**{**conditions.as_dict(), "temperature": T}))
        out.append((x, 8 * yT + 10 + rng.normal(0, 2, x.size)))
    return out


def batch_timing(db, oh, n):
    conditions = velmora.Conditions(start=3060, end=3130, resolution=0.5)
    spectra = spectra_set(db, oh, conditions, n)
    options = dict(conditions=conditions, start={"t": 1000})
    batch.fit_spectra(spectra[:2], oh, **options)  # models built before the clock starts
    results = {}
    t0 = time.perf_counter()
    serial = batch.fit_spectra(spectra, oh, **options)
    results["serial"] = n / (time.perf_counter() - t0)
    t0 = time.perf_counter()
    threaded = batch.fit_spectra(spectra, oh, threads=2, **options)
    results["2 threads"] = n / (time.perf_counter() - t0)
    from dask.distributed import Client, LocalCluster
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        batch.fit_spectra(spectra[:4], oh, client=client, **options)  # workers open the database
        t0 = time.perf_counter()
        clustered = batch.fit_spectra(spectra, oh, client=client, **options)
        results["2-process LocalCluster"] = n / (time.perf_counter() - t0)
    assert threaded == serial and clustered == serial
    return results, len(spectra[0][0])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--spectra", type=int, default=200)
    parser.add_argument("--repeats", type=int, default=30)
    args = parser.parse_args()
    db = velmora.Database()
    oh = db.entry("OH", "(A-X)")
    median, best = simulate_timing(db, oh, args.repeats)
    print(f"simulate OH 2800-3400 Å 3000 K: median {median:.2f} ms, best {best:.2f} ms")
    rates, points = batch_timing(db, oh, args.spectra)
    for how, rate in rates.items():
        print(f"batch of {args.spectra} fits ({points} points each), {how}: {rate:.2f} spectra/s")


if __name__ == "__main__":
    main()
