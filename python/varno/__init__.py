"""Search DNA for the binding sites of a transcription factor, in Python.

The same library as the program ``varno``, with the same settings and the same
results: a motif is read from known sites or count matrices (:class:`Motif`),
:func:`scan` gives its hits as the program's ``--tsv`` table and
:func:`regulon` the ``--regulon`` table, each as a pandas ``DataFrame``.

>>> import varno
>>> lexa = varno.Motif.from_sites(["TACTGTATATATATACAGTA", "TACTGTATATAAAAACAGTA"])
>>> lexa.length, lexa.consensus
(20, 'TACTGTATATAAAAACAGTA')

Nothing is written and nothing printed unless asked (``logs_dir=``, and
:meth:`Motif.write`); errors are exceptions, ``ValueError`` for input the
program refuses and ``OSError`` for a file that cannot be read or written, with
the program's messages. A scan releases the GIL: several may run at once in
threads, also with one shared :class:`Motif`.
"""

from __future__ import annotations

import inspect
import os
from typing import Any, Dict, Iterable, List, NamedTuple, Optional, Sequence as SequenceOf, Tuple, Union

import numpy as np

from . import _varno

__all__ = ["Motif", "Sequence", "scan", "regulon"]
__version__ = "1.0.0"


class Sequence(NamedTuple):
    """Raw DNA to scan: a name and its letters (any case; IUPAC codes count as
    the program counts them). Scanned as circular unless ``topology`` says
    otherwise, with no genes."""

    name: str
    letters: str


def _background(background: Optional[SequenceOf[float]]) -> Optional[List[float]]:
    if background is None:
        return None
    values = [float(value) for value in background]
    if len(values) != 4:
        raise ValueError("A background gives the probabilities of A, C, G and T: four numbers.")
    return values


def _options(settings: Dict[str, Any]) -> List[str]:
    """The settings as the program's options: ``name_part=value`` becomes
    ``--name-part=value``, a switch ``--name`` or ``--no-name``, a pair
    ``START:END``; ``None`` leaves a setting out."""
    options = []
    for name, value in settings.items():
        option = "--" + name.replace("_", "-")
        if value is None:
            continue
        if isinstance(value, bool):
            options.append(option if value else "--no-" + option[2:])
        elif isinstance(value, (tuple, list)):
            options.append(f"{option}={value[0]}:{value[1]}")
        else:
            options.append(f"{option}={value}")
    return options


class Motif:
    """A transcription factor's motif: its model, built from known sites or a
    count matrix, as the program builds it. Read with :meth:`from_sites` or
    :meth:`from_file`; never changed once read, so one may serve several scans
    at once."""

    def __init__(self, model: "_varno.Model") -> None:
        self._model = model

    @classmethod
    def from_sites(cls, sites: Union[str, "os.PathLike[str]", Iterable[str]], name: str = "sites") -> "Motif":
        """The motif of known sites, all of one length: a site file (one site a
        line, ``.txt``, or FASTA; a path, ``str`` or ``os.PathLike``), or the
        sites themselves as strings (named ``name``)."""
        if isinstance(sites, (str, os.PathLike)):
            path = os.fspath(sites)
            models = _varno.models_from_file(path)
            if len(models) != 1 or not models[0].sites:
                raise ValueError(f"ERROR: {path} holds count matrices, not sites: read it with Motif.from_file.")
            return cls(models[0])
        return cls(_varno.model_from_sites([str(site) for site in sites], name))

    @classmethod
    def from_file(cls, path: Union[str, "os.PathLike[str]"]) -> Union["Motif", List["Motif"]]:
        """The motif of any file the program reads as MOTIF_FILE: sites (``.txt``,
        FASTA), count matrices (TRANSFAC, JASPAR, ``.pfm``, MEME) or a folder of
        such files. A file of one motif gives it; several give a list, in the
        program's order."""
        models = [cls(model) for model in _varno.models_from_file(os.fspath(path))]
        return models[0] if len(models) == 1 else models

    @property
    def name(self) -> str:
        """The matrix's name, or the site file's name without folder and extension."""
        return self._model.name

    @property
    def length(self) -> int:
        """The number of columns (the sites' length)."""
        return self._model.length

    @property
    def sites(self) -> List[str]:
        """The known sites, upper case; none for a count matrix."""
        return self._model.sites

    @property
    def counts(self) -> np.ndarray:
        """The weighted counts: one row per column, A C G T."""
        return self._model.counts

    @property
    def frequencies(self) -> np.ndarray:
        """The frequencies: one row per column, A C G T."""
        return self._model.frequencies

    @property
    def consensus(self) -> str:
        """The most frequent base of each column (ties to the first of A C G T)."""
        return self._model.consensus

    def rsequence(self, background: Optional[SequenceOf[float]] = None) -> float:
        """The information content in bits against ``background`` (the
        probabilities of A, C, G, T; uniform when ``None``)."""
        return self._model.rsequence(_background(background))

    def relative_entropy(self, background: Optional[SequenceOf[float]] = None) -> float:
        """The relative entropy in bits against ``background`` (as :meth:`rsequence`)."""
        return self._model.relative_entropy(_background(background))

    def cutoff(self, method: int = 5, threshold: float = 0.8,
               background: Optional[SequenceOf[float]] = None) -> float:
        """The score cut-off a scan with ``method`` and ``threshold`` takes from
        the sites (or from a count matrix's own windows), on ``background``."""
        return self._model.cutoff(_options({"method": method, "threshold": threshold}), _background(background))

    def pvalue(self, score: float, method: int = 5, background: Optional[SequenceOf[float]] = None) -> float:
        """The probability that a random window of ``background`` scores at
        least as well as ``score`` with ``method``; NaN where the method has none."""
        return self._model.pvalue(float(score), _options({"method": method}), _background(background))

    def logo_svg(self) -> str:
        """The sequence logo as a standalone SVG document."""
        return self._model.logo_svg()

    def write(self, path: Union[str, "os.PathLike[str]"], format: Optional[str] = None) -> None:
        """Writes the model as a count matrix: ``format`` ``"transfac"``,
        ``"jaspar"`` or ``"meme"``, or the one the path's extension names."""
        self._model.write(os.fspath(path), format or "")

    def __repr__(self) -> str:
        return f"<varno.Motif {self.name!r}: {self.length} columns, consensus {self.consensus}>"


def _records(sequences: Any) -> Tuple[str, list]:
    """A path, or the records to scan as the native part takes them."""
    if isinstance(sequences, (str, os.PathLike)):
        return os.fspath(sequences), []
    if isinstance(sequences, Sequence) or hasattr(sequences, "seq"):
        sequences = [sequences]
    return "", [_record(record) for record in sequences]


def _record(record: Any) -> tuple:
    if isinstance(record, Sequence):
        return (record.name.split(" ", 1)[0] if record.name else "", record.name, str(record.letters), "", False, [])
    # A Biopython SeqRecord: its CDS features are the genes, taken as the
    # GenBank reader takes them.
    features = getattr(record, "features", None) or []
    genes = [_gene(feature) for feature in features if feature.type == "CDS"]
    topology = (getattr(record, "annotations", None) or {}).get("topology", "")
    return (record.id, record.description, str(record.seq), topology, bool(features), genes)


def _gene(feature: Any) -> tuple:
    location = feature.location
    start = end = 0
    forward = location is None or location.strand != -1
    # A joined location, or one with a partial end, has no coordinates: the
    # reader leaves an unreadable one (and those after it) at 0.
    if location is not None and len(getattr(location, "parts", [location])) == 1:
        low, high = location.start, location.end
        exact = [type(position).__name__ == "ExactPosition" for position in (low, high)]
        if exact[0]:
            first, second = int(low) + 1, (int(high) if exact[1] else 0)
            start, end = (first, second) if forward else (second, first)
    qualifiers = feature.qualifiers

    def text(key: str) -> str:
        return qualifiers.get(key, [""])[0]

    return (start, end, forward, text("locus_tag"), text("gene"), text("product"))


_HIT_INTEGERS = ("distance", "gene_start", "gene_end")


def _table(arguments: Dict[str, Any], regulon: bool = False, operon_gap: int = 50) -> Any:
    """The table of a scan, from the arguments of :func:`scan`."""
    settings = dict(arguments)
    sequences, motif = settings.pop("sequences"), settings.pop("motif")
    threads, logs_dir = settings.pop("threads"), settings.pop("logs_dir")
    logs, as_frame = settings.pop("logs"), settings.pop("as_frame")
    if not isinstance(motif, Motif):
        raise TypeError("motif must be a varno.Motif")
    if int(threads) < 1:
        raise ValueError("threads must be 1 or more")
    if settings["cutoff"] is not None:
        settings["threshold"] = None
    if settings["genes"] is not None:
        settings["genes"] = os.fspath(settings["genes"])
    if regulon:
        settings["operon_gap"] = operon_gap
    folder = ""
    if logs_dir is not None:
        folder = os.fspath(logs_dir)
        os.makedirs(folder, exist_ok=True)
    settings["logs"] = bool(logs) and bool(folder)
    path, records = _records(sequences)
    columns = _varno.scan(path, records, motif._model, _options(settings), regulon, int(threads) >= 2, folder)
    no_bound = columns.pop("mask_p_is_bound", None)
    no_gene = columns.pop("mask_gene", None)
    if not as_frame:
        columns = {name: np.asarray(values, dtype=object) if isinstance(values, list) else values
                   for name, values in columns.items()}
        if not regulon:
            columns["p_is_bound"] = np.ma.masked_array(columns["p_is_bound"], no_bound)
            for name in _HIT_INTEGERS:
                columns[name] = np.ma.masked_array(columns[name], no_gene)
        return columns
    import pandas as pd

    if not regulon:
        columns["p_is_bound"] = pd.arrays.BooleanArray(columns["p_is_bound"], no_bound)
        for name in _HIT_INTEGERS:
            columns[name] = pd.arrays.IntegerArray(columns[name], no_gene.copy())
    return pd.DataFrame(columns)


def scan(sequences: Any, motif: Motif, method: int = 5, threshold: Optional[float] = 0.8, *,
         cutoff: Optional[float] = None, background: str = "uniform", upstream: int = 350, downstream: int = 100,
         sort: str = "position", merge: bool = True, integration: Union[str, int] = "off",
         upstream_mean: Tuple[int, int] = (-500, -1), downstream_mean: Tuple[int, int] = (1, 500),
         cutoff_factor: float = 1.5, topology: str = "circular", genes: Optional[Union[str, "os.PathLike[str]"]] = None,
         max_p: Optional[float] = None, max_e: Optional[float] = None, max_q: Optional[float] = None,
         threads: int = 1, logs_dir: Optional[Union[str, "os.PathLike[str]"]] = None, logs: bool = True,
         as_frame: bool = True) -> Any:
    """Scans ``sequences`` for ``motif`` and returns the hits as the program's
    ``--tsv`` table: a pandas ``DataFrame`` of its columns, or with
    ``as_frame=False`` a dict of NumPy arrays (masked where a value is NA).

    ``sequences``: the path of a sequence file the program reads (FASTA,
    GenBank, EMBL, GFF3 with its sequences; ``str`` or ``os.PathLike``, a
    ``str`` is always a path), a Biopython ``SeqRecord`` or an iterable of them
    (their CDS features are the genes), or :class:`Sequence` records.

    The settings are the program's, named as its options with ``_`` for ``-``
    and with its defaults: ``method`` 1 to 11, ``threshold`` (or a literal
    ``cutoff``), ``background`` ``"uniform"`` or ``"sequence"``,
    ``upstream``/``downstream`` (the operator region), ``sort`` ``"position"``
    or ``"score"``, ``merge``, ``integration`` ``"off"`` or 1 to 3 with
    ``upstream_mean``/``downstream_mean`` (``(START, END)``) and
    ``cutoff_factor``, ``topology`` ``"circular"``, ``"linear"`` or ``"auto"``,
    ``genes`` (a GFF3 file of a FASTA file's genes); ``max_p``, ``max_e`` and
    ``max_q`` select the hits by significance instead. ``threads=2`` scans a
    long sequence's two strands at once. ``logs_dir`` writes the run log and,
    with ``logs``, the diagnostic logs into that folder.
    """
    return _table(locals())


def regulon(sequences: Any, motif: Motif, operon_gap: int = 50, **settings: Any) -> Any:
    """The regulon table of a scan (the program's ``--regulon``): each
    transcription unit whose first gene has an operator hit within the bound
    (q <= 0.1, or the scan's own ``max_p``/``max_e``/``max_q``), most
    significant first, its genes joined while at most ``operon_gap`` letters
    apart. ``sequences``, ``motif`` and the settings as for :func:`scan`;
    ``as_frame=False`` gives a dict of NumPy arrays."""
    arguments = inspect.signature(scan).bind(sequences, motif, **settings)
    arguments.apply_defaults()
    return _table(arguments.arguments, True, operon_gap)
