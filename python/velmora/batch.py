"""Fitting many spectra at once: serially, in threads, or spread over a Dask cluster.

    from dask.distributed import Client
    from velmora import Conditions, batch
    client = Client("tcp://scheduler:8786")
    rows = batch.fit_spectra(files, entries=1, client=client,
                             conditions=Conditions(start=3060, end=3200, resolution=0.2),
                             free=["t", "scale", "baseline"])

Each spectrum is one task; every worker process opens the database once and keeps the band
systems it has pre-computed for all its later tasks. Every spectrum is fitted exactly as alone,
so the table does not depend on where or in which order the tasks ran. No work is lost: a task
that fails, or whose worker dies (the scheduler re-runs such a task on another worker at most
``distributed.scheduler.allowed-failures`` times, 3 by default, then gives up), becomes the
row of its spectrum with status "failed" and the reason, and every other row is returned.
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


def fit_one(spectrum, index, entries, data, options):
    """Fits one spectrum (a file, or ``(x, y)`` / ``(x, y, sigma)``) and returns its row."""
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


def fit_spectra(spectra, entries, *, client=None, threads=1, data=None, **options):
    """Fits every spectrum of a list with the same band systems and options.

    ``spectra`` holds file paths or ``(x, y)`` / ``(x, y, sigma)`` arrays; ``entries`` and the
    keyword options are those of :func:`velmora.fit`, and files are read as
    :func:`velmora.read_spectrum` reads them with ``spectrum_units``, ``column`` and
    ``sigma_column`` (the uncertainties of a file only from the column it names); ``data`` is the database folder (default:
    the shipped one, or VELMORA_DATA on the workers). With a ``dask.distributed`` ``client``
    one task per spectrum runs on its cluster; otherwise the fits run here, ``threads`` at a
    time. Returns one row (a dict) per spectrum, in the order given: index, source, status
    ("fitted", "bad input", "not converged", or "failed" for a task that raised something else
    or whose worker died), message, and for a fitted spectrum points,
    reduced_chi_square, iterations, warnings and every parameter with its uncertainty
    (``t``, ``t_err`` ...). ``pandas.DataFrame(rows)`` makes a data frame of it.
    """
    spectra = list(spectra)
    args = [(s, i, entries, data, options) for i, s in enumerate(spectra)]
    if client is not None:
        futures = [client.submit(fit_one, *a, pure=False, retries=0) for a in args]
        return _gather(futures, spectra)
    if threads > 1:
        with concurrent.futures.ThreadPoolExecutor(threads) as pool:
            return list(pool.map(lambda a: fit_one(*a), args))
    return [fit_one(*a) for a in args]
