import os
from typing import Any, Dict, Iterable, List, NamedTuple, Optional, Sequence as SequenceOf, Tuple, Union

import numpy as np
import pandas as pd

_Path = Union[str, os.PathLike[str]]
_Background = Optional[SequenceOf[float]]
# A path, a Biopython SeqRecord, an iterable of them, or Sequence records.
_Sequences = Union[_Path, "Sequence", Any, Iterable[Any]]

__version__: str

class Sequence(NamedTuple):
    name: str
    letters: str

class Motif:
    @classmethod
    def from_sites(cls, sites: Union[_Path, Iterable[str]], name: str = ...) -> Motif: ...
    @classmethod
    def from_file(cls, path: _Path) -> Union[Motif, List[Motif]]: ...
    @property
    def name(self) -> str: ...
    @property
    def length(self) -> int: ...
    @property
    def sites(self) -> List[str]: ...
    @property
    def counts(self) -> np.ndarray: ...
    @property
    def frequencies(self) -> np.ndarray: ...
    @property
    def consensus(self) -> str: ...
    def rsequence(self, background: _Background = ...) -> float: ...
    def relative_entropy(self, background: _Background = ...) -> float: ...
    def cutoff(self, method: int = ..., threshold: float = ..., background: _Background = ...) -> float: ...
    def pvalue(self, score: float, method: int = ..., background: _Background = ...) -> float: ...
    def logo_svg(self) -> str: ...
    def write(self, path: _Path, format: Optional[str] = ...) -> None: ...

def scan(
    sequences: _Sequences,
    motif: Motif,
    method: int = ...,
    threshold: Optional[float] = ...,
    *,
    cutoff: Optional[float] = ...,
    background: str = ...,
    upstream: int = ...,
    downstream: int = ...,
    sort: str = ...,
    merge: bool = ...,
    integration: Union[str, int] = ...,
    upstream_mean: Tuple[int, int] = ...,
    downstream_mean: Tuple[int, int] = ...,
    cutoff_factor: float = ...,
    topology: str = ...,
    genes: Optional[_Path] = ...,
    max_p: Optional[float] = ...,
    max_e: Optional[float] = ...,
    max_q: Optional[float] = ...,
    threads: int = ...,
    logs_dir: Optional[_Path] = ...,
    logs: bool = ...,
    as_frame: bool = ...,
) -> Union[pd.DataFrame, Dict[str, np.ndarray]]: ...
def regulon(
    sequences: _Sequences, motif: Motif, operon_gap: int = ..., **settings: Any
) -> Union[pd.DataFrame, Dict[str, np.ndarray]]: ...
