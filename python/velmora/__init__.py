"""VELmora from Python: the spectroscopic database, simulations and fits of diatomic spectra.

    import velmora
    db = velmora.Database()                       # the shipped database
    x, y = velmora.simulate(db, 1, velmora.Conditions(temperature=2000, resolution=0.3))

Tables come as NumPy structured arrays with the columns of ``velmora-cli``; errors in the
input raise :class:`InputError` (a ``ValueError``) naming the file or field, a fit that does
not converge raises :class:`ConvergenceError`. Simulations and fits release the GIL, so
threads run them in parallel; :mod:`velmora.batch` spreads fits over a Dask cluster.
"""

import collections
import os
import pathlib

import numpy as np

from ._velmora import Conditions, ConvergenceError, FitResult, InputError
from . import _velmora

__all__ = [
    "Conditions",
    "ConvergenceError",
    "Database",
    "FitResult",
    "Identification",
    "InputError",
    "Spectrum",
    "fit",
    "identify",
    "read_spectrum",
    "simulate",
]

_STATES = {"upper": 1, "lower": 2, 1: 1, 2: 2}


def default_data_folder():
    """The database a Database() without a path opens.

    The folder named by the environment variable VELMORA_DATA, else the ``data`` folder inside
    the installed package, else the ``data`` folder of the build tree (two folders above the
    package, where the build copies the shipped database).
    """
    env = os.environ.get("VELMORA_DATA")
    if env:
        return env
    here = pathlib.Path(__file__).resolve().parent
    for folder in (here / "data", here.parent.parent / "data"):
        if (folder / "VELMORA.SYS").is_file():
            return str(folder)
    raise InputError(
        "no database found beside the velmora package: give Database(path) or set VELMORA_DATA"
    )


def _table(columns, dtypes):
    """A structured array from a dict of equally long columns."""
    n = len(next(iter(columns.values())))
    table = np.empty(n, dtype=dtypes)
    for name, _ in dtypes:
        table[name] = columns[name]
    return table


class Database:
    """A VELmora database folder: its band systems, lines, lifetimes and term values.

    ``path`` is the folder holding VELMORA.SYS; by default the shipped database (see
    :func:`default_data_folder`). Entries are the catalogue's numbers, 1 upwards, as
    ``velmora-cli systems`` lists them. A band system is pre-computed on first use and kept.
    """

    def __init__(self, path=None):
        self._native = _velmora.Database(str(path) if path is not None else default_data_folder())

    @property
    def path(self):
        return self._native.path

    def systems(self):
        """The band systems of the catalogue: one dict per entry (entry, molecule, system, ...)."""
        return self._native.systems()

    def entry(self, molecule, system):
        """The entry of a molecule and system label, e.g. ``db.entry("OH", "(A-X)")``."""
        for s in self.systems():
            if s["molecule"] == molecule and s["system"] == system:
                return s["entry"]
        raise InputError(f"{molecule} {system} is not in the catalogue of {self.path}")

    def lines(self, entry, band):
        """Every line of band ``(v_up, v_low)``: positions (cm-1), Hönl-London factors,
        transition probabilities, emission and absorption coefficients and the e/f parities of
        the upper and lower levels, as ``velmora-cli lines`` writes them."""
        v_up, v_low = band
        c = self._native.lines(entry, int(v_up), int(v_low))
        return _table(c, [
            ("v_up", "i4"), ("v_low", "i4"), ("branch", "i4"), ("name_b", "U8"), ("name_a", "U8"),
            ("N_low", "i4"), ("J_low", "f8"), ("position_cm-1", "f4"), ("hl_factor", "f4"),
            ("transition_probability", "f4"), ("emission_coefficient", "f4"),
            ("absorption_coefficient", "f4"), ("parity_up", "U1"), ("parity_low", "U1"),
        ])

    def lifetimes(self, entry):
        """Radiative and effective lifetimes (ns) and fluorescence yields of every upper level,
        as ``velmora-cli lifetimes`` writes them; NaN where the level does not exist."""
        c = self._native.lifetimes(entry)
        return _table(c, [
            ("v_up", "i4"), ("component", "i4"), ("N_up", "i4"),
            ("radiative_ns", "f4"), ("effective_ns", "f4"), ("yield", "f4"),
        ])

    def levels(self, entry, state, v):
        """Term values (cm-1) of vibrational level ``v`` of the ``"upper"`` or ``"lower"`` state:
        rotational row N, J, spin component F (1, 2), e/f parity and term value on the system's
        energy zero."""
        if state not in _STATES:
            raise InputError(f"state {state!r} is not 'upper' or 'lower'")
        c = self._native.levels(entry, _STATES[state], int(v))
        return _table(c, [("N", "i4"), ("J", "f8"), ("F", "i4"), ("parity", "U1"), ("term_cm-1", "f4")])


def _native(db):
    if not isinstance(db, Database):
        raise InputError(f"db must be a velmora.Database, not {type(db).__name__}")
    return db._native


def simulate(db, entry, conditions=None, populations=None, *, min_population=1e-5, per_level=False):
    """Simulates the spectrum of band system ``entry`` under ``conditions``.

    Returns ``(x, y)``: the grid in the axis unit of the conditions and the total scaled to a
    peak of 100, as ``velmora-cli simulate`` writes it. ``populations`` is None for thermal
    populations at the conditions' temperature (levels above ``min_population``), or a mapping
    ``{v: relative population}`` of the populated state's vibrational levels, each thermal in
    rotation at that temperature. With ``per_level=True`` a third item maps each level v to its
    population-weighted spectrum (they add up to the total).
    """
    if conditions is None:
        conditions = Conditions()
    if populations is not None:
        populations = {int(v): float(p) for v, p in dict(populations).items()}
    return _velmora._simulate(_native(db), int(entry), conditions, populations, float(min_population), bool(per_level))


def _fit_arguments(db, entries, x, y, sigma, free, start, bounds, conditions, weighting, exclude, convention,
                   limit_to_range, source, max_iterations, scan_points, starts, bootstrap, seed, threads, profile,
                   components):
    if np.ndim(entries) == 0:
        entries = [entries]
    if weighting is None:
        weighting = "uniform" if sigma is None else "sigma"
    if isinstance(profile, str):
        profile = [profile]
    options = {
        "weighting": weighting, "convention": convention, "source": str(source), "components": components,
        "exclude": [(float(a), float(b)) for a, b in exclude], "limit_to_range": bool(limit_to_range),
        "max_iterations": int(max_iterations), "scan_points": int(scan_points), "starts": int(starts),
        "bootstrap": int(bootstrap), "seed": int(seed), "threads": int(threads), "profile": list(profile),
    }
    return (
        _native(db), [int(e) for e in entries], np.asarray(x, dtype=float), np.asarray(y, dtype=float),
        None if sigma is None else np.asarray(sigma, dtype=float), list(free), dict(start or {}),
        {k: (float(a), float(b)) for k, (a, b) in dict(bounds or {}).items()},
        conditions if conditions is not None else Conditions(), options)


def fit(db, entries, x, y, *, sigma=None, free=("t", "scale", "baseline"), start=None, bounds=None,
        conditions=None, weighting=None, exclude=(), convention="photons", limit_to_range=False,
        source="spectrum", max_iterations=100, scan_points=12, starts=0, bootstrap=0, seed=1, threads=0,
        profile=(), components="bands"):
    """Fits a measured spectrum ``(x, y)`` with the simulation of one or more band systems.

    ``entries`` is an entry or a list of them. ``free`` names the fitted parameters ("t", "tvib",
    "pop(v=1)", "scale", "baseline", "slope", "shift", "stretch", "quadratic", "gauss",
    "lorentz"; ":k" picks system k), ``start`` and ``bounds`` map names to start values and
    ``(low, high)``. ``conditions`` sets the kind, axis unit, broadening and the defaults of the
    temperature and instrument width. ``weighting`` is "uniform", "sigma" (the given
    uncertainties; the default when ``sigma`` is given) or "noise" (one σ from the scatter);
    ``exclude`` lists x ranges left out; ``convention`` is "photons" or "energy".

    The fit runs from the pre-scanned start and from the given start and keeps the better;
    ``starts`` more starts spread over the temperature bounds report the minima they reach.
    ``bootstrap`` resamples (seeded by ``seed``) give block-bootstrap uncertainties, ``profile``
    names the parameters whose profile-χ² intervals are wanted; ``threads`` (0: every core) never
    changes the result. ``components`` is "systems", "bands" or "branches".

    Returns a :class:`FitResult`: values, uncertainties (the headline: the largest of the
    covariance, correlated-residual and bootstrap estimates, see ``uncertainty_methods``),
    ``covariance_uncertainties``, ``correlated_uncertainties``, ``bootstrap_uncertainties``,
    ``profile_intervals``, correlation, ``diagnostics`` (reduced chi-square or the σ of the
    residuals, Pearson r, Durbin–Watson, ...), warnings, notices, x, y, model, residual, parts and
    ``components`` (label → array). Raises InputError naming ``source`` or the parameter,
    ConvergenceError when the solver does not converge.
    """
    return _velmora._fit(*_fit_arguments(
        db, entries, x, y, sigma, free, start, bounds, conditions, weighting, exclude, convention, limit_to_range,
        source, max_iterations, scan_points, starts, bootstrap, seed, threads, profile, components))


Identification = collections.namedtuple("Identification", "result candidates outside")
Identification.__doc__ = (
    "A fit and the band systems tried on its residual: candidates best first (dicts of system, entry, share, "
    "temperature, scale and the x ranges where they help), and the systems with no line in the range.")


def identify(db, entries, x, y, *, sigma=None, free=("t", "scale", "baseline"), start=None, bounds=None,
             conditions=None, weighting=None, exclude=(), convention="photons", limit_to_range=False,
             source="spectrum", max_iterations=100, scan_points=12, threads=0):
    """Fits ``(x, y)`` as :func:`fit` does, then fits every other band system of the database to the
    fit's residual (at the fitted widths and axis, each with its own temperature and scale) and
    ranks them by the share of the residual they explain, as ``velmora-cli identify`` does.
    Returns an :data:`Identification`; a candidate is a suggestion, nothing is added to the fit."""
    result, candidates, outside = _velmora._identify(*_fit_arguments(
        db, entries, x, y, sigma, free, start, bounds, conditions, weighting, exclude, convention, limit_to_range,
        source, max_iterations, scan_points, 0, 0, 1, threads, (), "systems"))
    return Identification(result, candidates, outside)


Spectrum = collections.namedtuple("Spectrum", "x y sigma")
Spectrum.__doc__ = "A spectrum read from a file: x, y and the standard uncertainties (or None)."


_AXIS_UNITS = {"vacuum": 1, "air": 2, "cm-1": 3, "nm-vacuum": 4, "nm-air": 5}
_SPECTRUM_UNITS = {"auto": 0, **_AXIS_UNITS}


def _column(name, value):
    if value is None:
        return 0
    if isinstance(value, bool) or not isinstance(value, (int, np.integer)) or not 1 <= value <= 1000:
        raise InputError(f"{name} = {value!r}: a column is counted from 1 (1..1000)")
    return int(value)


def _unit(name, value, choices):
    if value not in choices:
        raise InputError(f"{name} = {value!r} is not one of {', '.join(choices)}")
    return choices[value]


def read_spectrum(path, *, units=None, spectrum_units="auto", column=None, sigma_column=None, reader="measured",
                  wavelength=None):
    """Reads a spectrum file with the program's spectrum reader, as ``velmora-cli fit`` reads it.

    Every layout the program loads is read: plain columns, CSV and text with a header block,
    decimal commas, JCAMP-DX, SPE and Andor ASCII. ``units`` is the axis unit of the x returned
    (a ``Conditions.units`` name, default "vacuum"); ``spectrum_units`` the unit of the file's x
    column ("auto": below 1000 nm, else the axis unit; "vacuum", "air", "cm-1", "nm-vacuum",
    "nm-air"; a unit the file declares is taken), ``column`` the intensity column or frame, and
    ``sigma_column`` the column of standard uncertainties, counted from 1 as ``--column`` and
    ``--sigma-column`` are. No column is taken as uncertainties unless ``sigma_column`` names it.

    ``reader="measured"`` gives x, y and σ in double precision, y as written. ``reader="two-column"``
    reads as the program's *Load spectra* does: y scaled to a peak of 100, no uncertainties.
    ``wavelength=False`` (the older form) is ``units="cm-1"``.
    Returns a :data:`Spectrum` ``(x, y, sigma)``; raises InputError naming the file and line.
    """
    if units is None:
        units = "cm-1" if wavelength is False else "vacuum"
    return Spectrum(*_velmora._read_spectrum(
        os.fspath(path), reader, _unit("units", units, _AXIS_UNITS),
        _unit("spectrum_units", spectrum_units, _SPECTRUM_UNITS), _column("column", column),
        _column("sigma_column", sigma_column)))
