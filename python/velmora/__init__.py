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

from ._velmora import Conditions, ConvergenceError, FitResult, InputError, LineList
from . import _velmora

__all__ = [
    "Conditions",
    "ConvergenceError",
    "Database",
    "FitResult",
    "Frame",
    "FrameFit",
    "Identification",
    "InputError",
    "LifImage",
    "LineList",
    "Spectrum",
    "boltzmann",
    "fit",
    "fit_frame",
    "identify",
    "lif_temperature_image",
    "read_frame",
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

    def line_list(self, path, window=None):
        """A line list of one's own as a band system: an ExoMol set named by its ``.def`` file
        (with its ``.states``, ``.trans`` and optional ``.pf``) or a HITRAN ``.par`` file. Only
        the lines within ``window = (lo, hi)`` cm-1 are kept (all without it). The result is
        accepted wherever an entry is: :func:`simulate`, :meth:`lines`, :meth:`lifetimes`."""
        lo, hi = (0.0, float("inf")) if window is None else (float(window[0]), float(window[1]))
        return _velmora._read_line_list(str(path), lo, hi)

    def lines(self, entry, band=None):
        """Every line of band ``(v_up, v_low)``: positions (cm-1), Hönl-London factors,
        transition probabilities, emission and absorption coefficients and the e/f parities of
        the upper and lower levels, as ``velmora-cli lines`` writes them; for a band system of
        any multiplicity its columns (branch names P1, Q2, PQ12 ..., F, N, J and e/f of both
        levels, position, Hönl-London factor, Einstein A, nuclear-spin weight). For a line list
        (:meth:`line_list`) every kept line with its energies, degeneracies, Einstein A,
        pressure broadening and level labels; ``band`` is not used."""
        if isinstance(entry, LineList):
            return _table(_velmora._line_list_lines(entry), [
                ("position_cm-1", "f8"), ("lower_energy_cm-1", "f8"), ("upper_energy_cm-1", "f8"),
                ("g_up", "f8"), ("g_low", "f8"), ("einstein_A_s-1", "f8"), ("gamma_air_cm-1/atm", "f8"),
                ("gamma_self_cm-1/atm", "f8"), ("n_air", "f8"), ("delta_air_cm-1/atm", "f8"),
                ("upper", "U64"), ("lower", "U64"),
            ])
        if band is None:
            raise InputError("lines of a catalogue entry need band=(v_up, v_low)")
        v_up, v_low = band
        c = self._native.lines(entry, int(v_up), int(v_low))
        if "F_up" in c:  # a band system of any multiplicity, as velmora-cli lines writes it
            return _table(c, [
                ("v_up", "i4"), ("v_low", "i4"), ("branch", "U8"), ("F_up", "i4"), ("F_low", "i4"),
                ("N_up", "i4"), ("J_up", "f8"), ("N_low", "i4"), ("J_low", "f8"), ("parity_up", "U1"),
                ("parity_low", "U1"), ("position_cm-1", "f8"), ("hl_factor", "f8"), ("einstein_A_s-1", "f8"),
                ("nuclear_weight", "f8"),
            ])
        return _table(c, [
            ("v_up", "i4"), ("v_low", "i4"), ("branch", "i4"), ("name_b", "U8"), ("name_a", "U8"),
            ("N_low", "i4"), ("J_low", "f8"), ("position_cm-1", "f4"), ("hl_factor", "f4"),
            ("transition_probability", "f4"), ("emission_coefficient", "f4"),
            ("absorption_coefficient", "f4"), ("parity_up", "U1"), ("parity_low", "U1"),
        ])

    def lifetimes(self, entry):
        """Radiative and effective lifetimes (ns) and fluorescence yields of every upper level,
        as ``velmora-cli lifetimes`` writes them; NaN where the level does not exist. For a line
        list: energy, g, J and the radiative lifetime 1 / sum A of every upper level."""
        if isinstance(entry, LineList):
            return _table(_velmora._line_list_lifetimes(entry), [
                ("energy_cm-1", "f8"), ("g", "f8"), ("J", "f8"), ("radiative_ns", "f8"), ("level", "U64"),
            ])
        c = self._native.lifetimes(entry)
        return _table(c, [
            ("v_up", "i4"), ("component", "i4"), ("N_up", "i4"),
            ("radiative_ns", "f4"), ("effective_ns", "f4"), ("yield", "f4"),
        ])

    def levels(self, entry, state, v):
        """Term values (cm-1) of vibrational level ``v`` of the ``"upper"`` or ``"lower"`` state:
        rotational row N, J, spin component F (1, 2; 1..3 for a triplet), e/f parity and term
        value on the system's energy zero (for a band system of any multiplicity in double
        precision, the levels of nuclear-spin weight 0 left out)."""
        if state not in _STATES:
            raise InputError(f"state {state!r} is not 'upper' or 'lower'")
        c = self._native.levels(entry, _STATES[state], int(v))
        term = "f8" if c["term_cm-1"].dtype == np.float64 else "f4"
        return _table(c, [("N", "i4"), ("J", "f8"), ("F", "i4"), ("parity", "U1"), ("term_cm-1", term)])


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
    population-weighted spectrum (they add up to the total). ``entry`` may be a line list
    (:meth:`Database.line_list`): thermal populations of its own levels at the temperature.
    """
    if conditions is None:
        conditions = Conditions()
    if isinstance(entry, LineList):
        # Thermal populations of the list's own levels at the conditions' temperature.
        if populations is not None or per_level:
            raise InputError("a line list is simulated with thermal populations, in one level")
        return _velmora._simulate_line_list(entry, conditions)
    if populations is not None:
        populations = {int(v): float(p) for v, p in dict(populations).items()}
    return _velmora._simulate(_native(db), int(entry), conditions, populations, float(min_population), bool(per_level))


def _fit_arguments(db, entries, x, y, sigma, free, start, bounds, conditions, weighting, exclude, convention,
                   limit_to_range, source, max_iterations, scan_points, starts, bootstrap, seed, threads, profile,
                   components):
    # An entry, a line list, or a list of them (a line list is no sequence to NumPy).
    if isinstance(entries, LineList) or np.ndim(entries) == 0:
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
        _native(db), [e if isinstance(e, LineList) else int(e) for e in entries], np.asarray(x, dtype=float),
        np.asarray(y, dtype=float),
        None if sigma is None else np.asarray(sigma, dtype=float), list(free), dict(start or {}),
        {k: (float(a), float(b)) for k, (a, b) in dict(bounds or {}).items()},
        conditions if conditions is not None else Conditions(), options)


def fit(db, entries, x, y, *, sigma=None, free=("t", "scale", "baseline"), start=None, bounds=None,
        conditions=None, weighting=None, exclude=(), convention="photons", limit_to_range=False,
        source="spectrum", max_iterations=100, scan_points=12, starts=0, bootstrap=0, seed=1, threads=0,
        profile=(), components="bands"):
    """Fits a measured spectrum ``(x, y)`` with the simulation of one or more band systems.

    ``entries`` is an entry or a list of them; a line list (:meth:`Database.line_list`) is a
    system whose levels are all thermal at its one temperature ("t"), as ``velmora-cli fit
    --line-list`` fits it. ``free`` names the fitted parameters ("t", "tvib",
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


BoltzmannPlot = collections.namedtuple(
    "BoltzmannPlot", "system v levels energy ln_n_over_g ln_sigma used temperature temperature_sigma intercept "
    "slope slope_sigma reduced_chi_square spectrum_fit warnings")
BoltzmannPlot.__doc__ = (
    "A Boltzmann plot: energy (E' above the lowest upper level, cm-1) and ln(N/g) of every upper level with "
    "its σ, used (in the straight line), the line's temperature ± σ, intercept and slope (1/cm-1), and "
    "levels, a dict of arrays (component, N, J, energy, g, population, population_sigma, ln_n_over_g, "
    "ln_sigma, used) as velmora-cli boltzmann --out writes them.")


def boltzmann(db, entry, x, y, *, v=0, sigma=None, free=("t", "scale", "baseline"), start=None, bounds=None,
              conditions=None, weighting=None, exclude=(), convention="photons", limit_to_range=False,
              source="spectrum", max_iterations=100, scan_points=12, threads=0):
    """The Boltzmann plot of the upper rotational levels of v' = ``v`` from an emission spectrum
    ``(x, y)``, the computation of ``velmora-cli boltzmann``: the spectrum is fitted (the options
    of :func:`fit`), then the population N of every upper level with lines in the range is fitted
    on its own, and the straight line ln(N/g) = a - E/(kT) gives T ± σ. ``entry`` is one catalogue
    entry or a line list (:meth:`Database.line_list`), whose upper levels are one set (``v`` = 0),
    each drawn with the lines of its Einstein A values. Returns a :data:`BoltzmannPlot`; raises
    InputError for a spectrum that is not emission of one system, levels the instrument does not
    separate or fewer than 3 levels determined well enough for a line."""
    if not (isinstance(entry, LineList) or np.ndim(entry) == 0):
        raise InputError("entry: a Boltzmann plot takes one band system")
    args = _fit_arguments(db, entry, x, y, sigma, free, start, bounds, conditions, weighting, exclude, convention,
                          limit_to_range, source, max_iterations, scan_points, 0, 0, 1, threads, (), "systems")
    p = _velmora._boltzmann(*args, int(v))
    levels = {k: np.asarray(p[k]) for k in ("component", "N", "J", "energy", "g", "population", "population_sigma",
                                            "ln_n_over_g", "ln_sigma", "used")}
    return BoltzmannPlot(p["system"], p["v"], levels, levels["energy"], levels["ln_n_over_g"], levels["ln_sigma"],
                         levels["used"].astype(bool), p["temperature"], p["temperature_sigma"], p["intercept"],
                         p["slope"], p["slope_sigma"], p["reduced_chi_square"], p["spectrum_fit"], list(p["warnings"]))


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


Frame = collections.namedtuple("Frame", "x positions pixels x_unit position_unit detail")
Frame.__doc__ = """A frame read from a file: x of each column (empty without a calibration), the position
of each row, the pixels (rows × columns, float32), the units as the file states them and how it
was read."""


def _frame_options(frame, image=1, axis=None, dark=None, response=None, rows=None, bin=1, positions=None, **abel):
    """The options of a frame for the native functions: a path, or arrays (x, positions, pixels)."""
    options = {"image": int(image), "axis": None if axis is None else os.fspath(axis),
               "dark": None if dark is None else os.fspath(dark),
               "response": None if response is None else os.fspath(response), "bin": int(bin)}
    if rows is not None:
        first, last = rows
        options["rows"] = (int(first), int(last))
    if positions is not None:
        first, step, *unit = positions
        options["positions"] = (float(first), float(step), str(unit[0]) if unit else "")
    options.update(abel)
    if isinstance(frame, (str, os.PathLike)):
        options["path"] = os.fspath(frame)
    else:
        x, where, pixels = frame[:3]
        options.update(x=None if x is None or len(x) == 0 else np.asarray(x, dtype=float),
                       positions_of_rows=None if where is None else np.asarray(where, dtype=float),
                       pixels=np.asarray(pixels, dtype=np.float32), source="frame")
    return options


def read_frame(path, *, image=1, axis=None, dark=None, response=None, rows=None, bin=1, positions=None):
    """Reads a frame file: FITS, TIFF, SPE 3.0 (.spe), Andor ASCII (.asc) or matrix CSV.

    ``image`` chooses the image of a stack (1-based; 0 sums them); ``axis`` is a file of one x per
    column; ``dark`` and ``response`` are frames subtracted and divided out (one row, or one per
    row); ``rows=(first, last)`` (1-based, inclusive) and ``bin`` choose and average rows;
    ``positions=(first, step[, unit])`` sets the position of the file's row r to first + r step.
    Returns a :data:`Frame`; raises InputError naming the file and the reason.
    """
    d = _velmora._read_frame(_frame_options(path, image, axis, dark, response, rows, bin, positions))
    return Frame(d["x"], d["positions"], d["pixels"], d["x_unit"], d["position_unit"], d["detail"])


class FrameFit:
    """The fits of the rows of a frame, as arrays with one entry per row.

    ``row`` (1-based, of the prepared frame), ``position`` (or the radius after an inversion,
    ``position_name`` says which, in ``position_unit``), ``half`` (−1/+1 for halves kept apart),
    ``status`` ("fitted", "bad input", "not converged"), ``message``, ``start`` ("request" or
    "neighbour"), ``reduced_chi_square``, ``points``, ``warnings``, and ``values`` and
    ``uncertainties``: per parameter name an array (NaN where the row failed).
    """

    _FIELDS = ("row", "position", "half", "status", "message", "start", "warnings", "reduced_chi_square", "points")

    def __init__(self, d):
        for key in ("source", "detail", "position_name", "position_unit", "centre", "frame_rows"):
            setattr(self, key, d[key])
        for key in self._FIELDS:
            setattr(self, key, d[key])
        self.values, self.uncertainties = d["values"], d["uncertainties"]

    def __len__(self):
        return len(self.row)

    def rows(self):
        """One dict per row, as :func:`velmora.batch.fit_spectra` gives them (``t``, ``t_err`` ...)."""
        out = []
        for k in range(len(self)):
            r = {key: (getattr(self, key)[k].item() if hasattr(getattr(self, key)[k], "item") else getattr(self, key)[k])
                 for key in self._FIELDS}
            if r["status"] == "fitted":
                for name, v in self.values.items():
                    r[name], r[name + "_err"] = float(v[k]), float(self.uncertainties[name][k])
            out.append(r)
        return out

    @classmethod
    def join(cls, parts):
        """The fits of shares of one frame's rows, fitted apart, as one."""
        first = parts[0]
        d = {key: getattr(first, key) for key in ("source", "detail", "position_name", "position_unit", "centre",
                                                   "frame_rows")}
        for key in cls._FIELDS:
            items = [getattr(p, key) for p in parts]
            d[key] = np.concatenate(items) if isinstance(items[0], np.ndarray) else sum((list(i) for i in items), [])
        names = list(dict.fromkeys(n for p in parts for n in p.values))
        d["values"] = {n: np.concatenate([p.values.get(n, np.full(len(p), np.nan)) for p in parts]) for n in names}
        d["uncertainties"] = {n: np.concatenate([p.uncertainties.get(n, np.full(len(p), np.nan)) for p in parts])
                              for n in names}
        return cls(d)


def fit_frame(db, entries, frame, *, free=("t", "scale", "baseline"), start=None, bounds=None, conditions=None,
              weighting="uniform", exclude=(), convention="photons", limit_to_range=False, max_iterations=100,
              scan_points=12, image=1, axis=None, dark=None, response=None, rows=None, bin=1, positions=None,
              abel=False, centre=None, halves="average", regularisation=0.0, threads=0, block=16, row_range=None,
              _count_only=False):
    """Fits every row of a frame with the simulation, as :func:`fit` fits one spectrum.

    ``frame`` is a file (see :func:`read_frame` and its keywords ``image`` ... ``positions``) or
    arrays ``(x, positions, pixels)`` with ``pixels`` rows × columns. With ``abel=True`` the
    side-on frame is Abel-inverted first (``centre`` given or found; ``halves`` "average",
    "lower", "upper" or "both"; ``regularisation`` the Tikhonov strength) and the rows become
    radii, each with the uncertainty the inversion gives it. The rows are fitted on ``threads``
    threads (0: every core) in blocks of ``block`` rows, each row of a block started from the one
    before; ``row_range=(first, last)`` (0-based, inclusive) fits a share of them, the same rows
    as a run over all when it is made of whole blocks. Returns a :class:`FrameFit`.
    """
    if int(block) < 1 and not _count_only:
        raise InputError(f"block = {block}: a block holds 1 or more rows")
    if np.ndim(entries) == 0:
        entries = [entries]
    options = _frame_options(frame, image, axis, dark, response, rows, bin, positions, abel=bool(abel),
                             centre=None if centre is None else float(centre), halves=str(halves),
                             regularisation=float(regularisation))
    first, last = (0, -1) if row_range is None else (int(row_range[0]), int(row_range[1]))
    d = _velmora._fit_frame(
        _native(db), [int(e) for e in entries], options, list(free), dict(start or {}),
        {k: (float(a), float(b)) for k, (a, b) in dict(bounds or {}).items()},
        conditions if conditions is not None else Conditions(), str(weighting),
        [(float(a), float(b)) for a, b in exclude], convention, bool(limit_to_range), int(max_iterations),
        int(scan_points), int(threads), 0 if _count_only else int(block), first, last)
    return FrameFit(d)


LifImage = collections.namedtuple(
    "LifImage", "temperature sigma scale scale_sigma mask x y temperatures lines noise valid notes")
LifImage.__doc__ = """A LIF temperature image: temperature and sigma (K), scale and scale_sigma, mask (0
valid, 1 below the threshold, 2 outside the curve, 3 not a number), each rows × columns; x and y
the positions of columns and rows; the curve's temperatures and per line (a dict) its laser
position, strongest line and signal per molecule; the read noise used per image."""


def lif_temperature_image(db, entry, images, lines, *, conditions=None, backgrounds=(), energies=(),
                          threshold=0.05, noise=(), gain=0.0, temperatures=(300.0, 3000.0), steps=120, threads=0):
    """A temperature image from LIF images excited on two or more lines of one band system.

    ``images`` holds one image per line (2-D arrays or file paths), ``lines`` the laser position
    of each (axis unit of ``conditions``, as ``velmora-cli lif-lines`` lists the lines). The
    conditions set the LIF regime, quenching and laser; ``backgrounds`` (one for all, or one per
    image) are subtracted, ``energies`` (mJ per image) correct the sheet energy as the regime
    implies, pixels whose signal is below ``threshold`` times their image's 99.5th percentile
    are masked; ``noise`` (counts, per image; default estimated) and ``gain`` (counts per
    photoelectron) give each pixel its uncertainty. Returns a :data:`LifImage`.
    """
    def listed(items):
        return [os.fspath(i) if isinstance(i, (str, os.PathLike)) else np.asarray(i, dtype=np.float32) for i in items]
    if isinstance(backgrounds, (str, os.PathLike)) or np.ndim(backgrounds) == 2:
        backgrounds = [backgrounds]
    noise = [float(n) for n in np.atleast_1d(noise)] if np.size(noise) else []
    if len(noise) == 1:
        noise = noise * len(lines)
    d = _velmora._lif_image(
        _native(db), int(entry), listed(images), listed(backgrounds), [float(x) for x in lines],
        conditions if conditions is not None else Conditions(kind="lif"), [float(e) for e in energies],
        float(threshold), noise, float(gain), float(temperatures[0]), float(temperatures[1]), int(steps),
        int(threads))
    return LifImage(**{k: d[k] for k in LifImage._fields})
