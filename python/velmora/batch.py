"""Fitting many spectra at once: serially, in threads, or spread over a Dask cluster.

    from dask.distributed import Client
    from velmora import Conditions, batch
    client = Client("tcp://scheduler:8786")
    rows = batch.fit_spectra(files, entries=1, client=client,
                             conditions=Conditions(start=3060, end=3200, resolution=0.2),
                             free=["t", "scale", "baseline"])

Each spectrum is one task; every worker process opens the database once and keeps the band
systems it has pre-computed for all its later tasks. The spectra are a series in the order
given (the frames of one experiment in time): in blocks of ``block`` spectra (16) counted from
the first, the first of a block is fitted from the options, each further one from the free
values of the spectrum before it, without the temperature scan (``warm_start=False`` fits every
spectrum from the options, exactly as alone). A warm start that does not converge, ends on a new
bound, leaves a parameter undetermined or fits with more than twice the reduced chi-square of
its neighbour is fitted again from the options; the row's ``warm_start`` says which start was
kept. The table does not depend on where or in which order the tasks ran. No work is lost: a task
that fails, or whose worker dies (the scheduler re-runs such a task on another worker at most
``distributed.scheduler.allowed-failures`` times, 3 by default, then gives up), becomes the
row of its spectrum with status "failed" and the reason, and every other row is returned.

Frames are spread the same way with :func:`fit_frames`: one task per frame, or per share of a
frame's rows made of whole blocks, so that the rows are those of one run over the whole frame.
"""

import concurrent.futures
import os
import threading

import velmora

# One Database per folder in each process (a Dask worker's tasks share it).
_databases = {}
_databases_lock = threading.Lock()


def worker_database(path=None):
    """The Database of a folder, opened once per process and then shared by its tasks."""
    key = os.path.abspath(path) if path is not None else None
    with _databases_lock:
        if key not in _databases:
            _databases[key] = velmora.Database(key)
        return _databases[key]


def _source(spectrum, index):
    if isinstance(spectrum, (str, os.PathLike)):
        return os.fspath(spectrum)
    return f"spectrum {index}"


# The options of fit_spectra that say how its files are read (those of velmora.read_spectrum).
_READING = ("spectrum_units", "column", "sigma_column")


def _warm_start(previous):
    """The start values a fitted row gives the next spectrum of its series: its free values (the
    parameters with an uncertainty; a fixed one has none)."""
    return {k[:-4]: previous[k[:-4]] for k, v in previous.items() if k.endswith("_err") and v != 0}


def _sound(result, previous):
    """Whether a fit started from its neighbour's row is kept (as the command line decides)."""
    if result.undetermined or set(result.at_bound) - set(filter(None, previous["at_bound"].split("; "))):
        return False
    return not result.reduced_chi_square > 2 * previous["reduced_chi_square"]


def fit_one(spectrum, index, entries, data, options, previous=None):
    """Fits one spectrum (a file, or ``(x, y)`` / ``(x, y, sigma)``) and returns its row; from the
    free values of ``previous`` (the row of the spectrum before it) when that row was fitted."""
    source = _source(spectrum, index)
    row = {"index": index, "source": source, "status": "fitted", "message": ""}
    try:
        db = worker_database(data)
        options = dict(options)
        reading = {k: options.pop(k) for k in _READING if k in options}
        if isinstance(spectrum, (str, os.PathLike)):
            conditions = options.get("conditions") or velmora.Conditions()
            x, y, sigma = velmora.read_spectrum(source, units=conditions.units, **reading)
        else:
            x, y, *rest = spectrum
            sigma = rest[0] if rest else None
        if sigma is not None and "sigma" not in options:
            options["sigma"] = sigma
        result = None
        if previous is not None and previous["status"] == "fitted":
            warm = dict(options, start={**(options.get("start") or {}), **_warm_start(previous)}, scan_points=0)
            try:
                result = velmora.fit(db, entries, x, y, source=source, **warm)
                if not _sound(result, previous):
                    result = None
            except velmora.ConvergenceError:
                pass
        row["warm_start"] = result is not None
        if result is None:
            result = velmora.fit(db, entries, x, y, source=source, **options)
    except velmora.InputError as e:
        row.update(status="bad input", message=str(e))
        return row
    except velmora.ConvergenceError as e:
        row.update(status="not converged", message=str(e))
        return row
    except Exception as e:  # anything else ends this spectrum's fit, never the batch
        row.update(status="failed", message=f"{type(e).__name__}: {e}")
        return row
    row.update(
        points=result.points,
        reduced_chi_square=result.reduced_chi_square,
        iterations=result.iterations,
        evaluations=result.evaluations,
        at_bound="; ".join(result.at_bound),
        warnings="; ".join(result.warnings),
    )
    for name, value in result.values.items():
        row[name] = value
        row[name + "_err"] = result.uncertainties[name]
    return row


def _failed_row(spectrum, index, reason):
    """The row of a spectrum whose task ended without a row of its own."""
    return {"index": index, "source": _source(spectrum, index), "status": "failed",
            "message": f"the task of this spectrum failed on the cluster: {reason}"}


def _gather(futures, spectra):
    """The rows of the futures in the order of the spectra, a failed or lost task's row naming
    its spectrum and why."""
    from distributed import as_completed

    position = {future.key: i for i, future in enumerate(futures)}
    rows = [None] * len(futures)
    for future in as_completed(futures):
        i = position[future.key]
        try:
            rows[i] = future.result()
        except Exception as e:  # KilledWorker, a cancelled task, a broken connection
            rows[i] = _failed_row(spectra[i], i, f"{type(e).__name__}: {e}")
    return rows


def _blocks(n, warm_start, block):
    """The index ranges fitted one after another, each spectrum from the one before it."""
    step = max(int(block), 1) if warm_start else 1
    return [range(first, min(first + step, n)) for first in range(0, n, step)]


def fit_spectra(spectra, entries, *, client=None, threads=1, data=None, warm_start=True, block=16, **options):
    """Fits every spectrum of a list with the same band systems and options.

    ``spectra`` holds file paths or ``(x, y)`` / ``(x, y, sigma)`` arrays; ``entries`` and the
    keyword options are those of :func:`velmora.fit`, and files are read as
    :func:`velmora.read_spectrum` reads them with ``spectrum_units``, ``column`` and
    ``sigma_column`` (the uncertainties of a file only from the column it names); ``data`` is the database folder (default:
    the shipped one, or VELMORA_DATA on the workers). With a ``dask.distributed`` ``client``
    one task per spectrum runs on its cluster; otherwise the fits run here, ``threads`` at a
    time. ``warm_start`` and ``block`` say how a series is started (see above). Returns one row
    (a dict) per spectrum, in the order given: index, source, status
    ("fitted", "bad input", "not converged", or "failed" for a task that raised something else
    or whose worker died), message, and for a fitted spectrum points, warm_start,
    reduced_chi_square, iterations, evaluations, at_bound, warnings and every parameter with its
    uncertainty (``t``, ``t_err`` ...). ``pandas.DataFrame(rows)`` makes a data frame of it.
    """
    spectra = list(spectra)
    blocks = _blocks(len(spectra), warm_start, block)
    if client is not None:
        # One task per spectrum, each after the task of the spectrum before it in its block.
        futures = [None] * len(spectra)
        for indices in blocks:
            previous = None
            for i in indices:
                previous = futures[i] = client.submit(fit_one, spectra[i], i, entries, data, options, previous,
                                                      pure=False, retries=0)
        return _gather(futures, spectra)

    def series(indices):
        rows, previous = [], None
        for i in indices:
            previous = fit_one(spectra[i], i, entries, data, options, previous)
            rows.append(previous)
        return rows

    if threads > 1:
        with concurrent.futures.ThreadPoolExecutor(threads) as pool:
            return [row for rows in pool.map(series, blocks) for row in rows]
    return [row for indices in blocks for row in series(indices)]


def _frame_key(frame):
    return os.fspath(frame) if isinstance(frame, (str, os.PathLike)) else frame


def fit_frame_rows(frame, entries, data, options, row_range):
    """Fits the rows ``row_range`` (0-based, inclusive; None: all) of one frame on a worker."""
    db = worker_database(data)
    return velmora.fit_frame(db, entries, _frame_key(frame), row_range=row_range, **options)


def fit_frames(frames, entries, *, client=None, rows_per_task=None, data=None, **options):
    """Fits every row of every frame of a list with the same band systems and options.

    ``frames`` holds frame files (readable where the tasks run) or ``(x, positions, pixels)``
    arrays; ``entries`` and the keyword options are those of :func:`velmora.fit_frame` (its
    ``threads`` are the threads of each task). With a ``dask.distributed`` ``client`` the frames
    run as tasks on its cluster: one task per frame, or with ``rows_per_task`` one per share of
    that many rows (rounded up to whole blocks of ``block`` rows, so the rows are the same as in
    one run over the frame). Without a client the frames are fitted here, one after another.
    Returns one :class:`velmora.FrameFit` per frame, in the order given.
    """
    frames = list(frames)
    block = int(options.get("block", 16))
    shares = []  # (frame index, row range)
    for i, frame in enumerate(frames):
        if rows_per_task is None or block < 1:
            shares.append((i, None))
            continue
        # The rows of the prepared frame (after binning or an inversion), read here.
        n = velmora.fit_frame(worker_database(data), entries, _frame_key(frame), _count_only=True, **options).frame_rows
        step = max(block, -(-int(rows_per_task) // block) * block)
        shares += [(i, (first, min(first + step, n) - 1)) for first in range(0, n, step)]
    if client is not None:
        futures = [client.submit(fit_frame_rows, frames[i], entries, data, options, rows, pure=False)
                   for i, rows in shares]
        results = client.gather(futures)
    else:
        results = [fit_frame_rows(frames[i], entries, data, options, rows) for i, rows in shares]
    parts = [[] for _ in frames]
    for (i, _), result in zip(shares, results):
        parts[i].append(result)
    return [velmora.FrameFit.join(p) for p in parts]
