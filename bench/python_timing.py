"""Timings of the Python module (run with PYTHONPATH=build/python /usr/bin/python3 bench/python_timing.py).

1. One simulate() call on the conditions of the C++ benchmark BM_Simulate_OH_Gaussian (OH A-X,
   2800-3400 Å, 3000 K, 1 Å Gaussian), to set against that benchmark: the difference is the
   cost of the Python call, the thermal populations and the copies into NumPy arrays.
2. One simulate() of the grid of BM_Simulate_OH_MillionPoints (OH A-X v' = 0 alone, 2800-3400 Å,
   3000 K, a 0.0042 Å Gaussian: 10^6 points), set against that benchmark run in process by the
   simulation_bench program given with --bench (build/bench/simulation_bench), with the ratio.
3. Fits of N synthetic OH spectra (default 200) as one batch: serially, with 2 threads and on
   a LocalCluster of 2 worker processes, in spectra per second.
"""
import argparse
import json
import statistics
import subprocess
import time

import numpy as np

import velmora
from velmora import batch


def simulate_timing(db, oh, repeats):
    c = velmora.Conditions(start=2800, end=3400, temperature=3000, resolution=1)
    velmora.simulate(db, oh, c)  # the model is built on the first call
    wall, cpu = [], []
    for _ in range(repeats):
        t0, c0 = time.perf_counter(), time.process_time()
        velmora.simulate(db, oh, c)
        wall.append(time.perf_counter() - t0)
        cpu.append(time.process_time() - c0)
    return statistics.median(wall) * 1e3, statistics.median(cpu) * 1e3


def million_timing(db, oh, repeats):
    c = velmora.Conditions(start=2800, end=3400, temperature=3000, resolution=0.0042)
    x, _ = velmora.simulate(db, oh, c, {0: 1.0})
    wall, cpu = [], []
    for _ in range(repeats):
        t0, c0 = time.perf_counter(), time.process_time()
        velmora.simulate(db, oh, c, {0: 1.0})
        wall.append(time.perf_counter() - t0)
        cpu.append(time.process_time() - c0)
    return statistics.median(wall) * 1e3, statistics.median(cpu) * 1e3, x.size


def in_process_million(bench):
    """The medians of BM_Simulate_OH_MillionPoints in ms (wall, CPU), run by the benchmark program."""
    out = subprocess.run([bench, "--benchmark_filter=BM_Simulate_OH_MillionPoints$", "--benchmark_format=json",
                          "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True).stdout
    rows = json.loads(out)["benchmarks"]
    median = next(r for r in rows if r.get("aggregate_name") == "median")
    unit = {"ms": 1.0, "us": 1e-3, "ns": 1e-6, "s": 1e3}[median["time_unit"]]
    return median["real_time"] * unit, median["cpu_time"] * unit


def spectra_set(db, oh, conditions, n):
    x, y = velmora.simulate(db, oh, conditions)
    rng = np.random.default_rng(1)
    out = []
    for k in range(n):
        T = 1500 + 1000 * k / n
        _, yT = velmora.simulate(db, oh, velmora.Conditions(**{**conditions.as_dict(), "temperature": T}))
        out.append((x, 8 * yT + 10 + rng.normal(0, 2, x.size)))
    return out


def batch_timing(db, oh, n, start, end, resolution):
    conditions = velmora.Conditions(start=start, end=end, resolution=resolution)
    spectra = spectra_set(db, oh, conditions, n)
    options = dict(conditions=conditions, start={"t": 1000})
    batch.fit_spectra(spectra[:2], oh, **options)  # models built before the clock starts
    results = {}

    def timed(how, **where):
        t0, c0 = time.perf_counter(), time.process_time()
        rows = batch.fit_spectra(spectra, oh, **where, **options)
        wall = time.perf_counter() - t0
        results[how] = (n / wall, (time.process_time() - c0) / wall)
        return rows

    serial = timed("serial")
    threaded = timed("2 threads", threads=2)
    from dask.distributed import Client, LocalCluster
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        batch.fit_spectra(spectra[:4], oh, client=client, **options)  # workers open the database
        clustered = timed("2-process LocalCluster", client=client)
    assert threaded == serial and clustered == serial
    return results, len(spectra[0][0])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--spectra", type=int, default=200, help="fits per batch (0: simulate only)")
    parser.add_argument("--repeats", type=int, default=200)
    parser.add_argument("--million-repeats", type=int, default=20, help="simulations of the million-point grid")
    parser.add_argument("--bench", help="the simulation_bench program, for the in-process million-point time")
    parser.add_argument("--range", type=float, nargs=2, default=(3060, 3130), help="fitted range, Å")
    parser.add_argument("--resolution", type=float, default=0.5, help="instrumental FWHM of the spectra, Å")
    args = parser.parse_args()
    db = velmora.Database()
    oh = db.entry("OH", "(A-X)")
    wall, cpu = simulate_timing(db, oh, args.repeats)
    print(f"simulate OH 2800-3400 Å 3000 K: median {wall:.3f} ms wall, {cpu:.3f} ms CPU per call")
    if args.million_repeats > 0:
        wall, cpu, points = million_timing(db, oh, args.million_repeats)
        print(f"simulate OH v'=0 on {points} points: median {wall:.2f} ms wall, {cpu:.2f} ms CPU")
        if args.bench:
            # On a shared machine the CPU times are the figures to compare.
            native_wall, native_cpu = in_process_million(args.bench)
            print(f"  in process: {native_wall:.2f} ms wall, {native_cpu:.2f} ms CPU; "
                  f"Python / in process {wall / native_wall:.2f} (wall), {cpu / native_cpu:.2f} (CPU)")
    if args.spectra < 1:
        return
    rates, points = batch_timing(db, oh, args.spectra, *args.range, args.resolution)
    for how, (rate, cpu) in rates.items():
        print(f"batch of {args.spectra} fits ({points} points each), {how}: {rate:.1f} spectra/s "
              f"(this process's CPU time / wall time {cpu:.2f})")


if __name__ == "__main__":
    main()
