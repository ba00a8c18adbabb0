"""Cell-migration assays in 96-well plates: plates, settings and well analysis.

The y of rings, nuclei and cells counts rows from the bottom of the mosaic;
the arrays of Plate.mosaics() hold rows top first, so row = 1023 - y.
"""

import os
from typing import Any, Callable, Iterable, Literal, overload

import numpy as np
import numpy.typing as npt
import pandas

__version__: str

_Path = str | os.PathLike[str]
_Value = int | bool | float
ShapeClass = Literal["round_rough", "round_smooth", "oval_rough", "oval_smooth"]

class SettingsGroup:
    """A group of settings, such as s.nuclei or s.display.green; a view of its Settings."""
    def to_dict(self) -> dict[str, Any]: ...
    def __getattr__(self, name: str) -> Any: ...
    def __setattr__(self, name: str, value: Any) -> None: ...

# The groups as they are named in the settings table; at run time all are SettingsGroup.
class _ChannelDisplaySettings(SettingsGroup):
    cutoff: int
    saturation: int
    full_range: bool

class _DisplaySettings(SettingsGroup):
    green: _ChannelDisplaySettings
    blue: _ChannelDisplaySettings

class _RingSettings(SettingsGroup):
    radius: int
    increment: int

class _NucleiSettings(SettingsGroup):
    green_cutoff: int
    blue_cutoff: int
    minimal_size: int
    maximal_size: int

class _CellsSettings(SettingsGroup):
    green_cutoff: int
    minimal_size: int
    maximal_size: int
    length_ratio: float
    smoothness: float

class Settings:
    """The 17 analysis settings, checked whenever one changes (TypeError, ValueError)."""
    display: _DisplaySettings
    ring: _RingSettings
    nuclei: _NucleiSettings
    cells: _CellsSettings
    def __init__(self, values: dict[str, Any] | None = None) -> None: ...
    @staticmethod
    def load(path: _Path) -> Settings:
        """Reads a settings file (.VLS); OSError when unreadable, ValueError when bad."""
    def save(self, path: _Path) -> None:
        """Writes the settings file (.VLS), replacing it whole."""
    def to_dict(self) -> dict[str, Any]:
        """All settings as a nested dict."""
    def update(self, values: dict[str, Any]) -> None:
        """Changes several settings at once, checked together."""
    def copy(self) -> Settings: ...
    @staticmethod
    def names() -> list[str]:
        """Dotted names of all settings, in settings-file order."""
    @staticmethod
    def range(name: str) -> tuple[_Value, _Value | None]:
        """(lowest, highest) value of a setting; highest None when unlimited."""
    def __getitem__(self, name: str) -> _Value: ...
    def __setitem__(self, name: str, value: _Value) -> None: ...
    def __eq__(self, other: object) -> bool: ...

class Ring:
    """The cell-free ring: centre column x, centre row y (from the bottom), radius."""
    @property
    def x(self) -> int: ...
    @property
    def y(self) -> int: ...
    @property
    def radius(self) -> int: ...

class Cell:
    """One kept cell of the cell level."""
    @property
    def x(self) -> float: ...
    @property
    def y(self) -> float: ...
    @property
    def size(self) -> int: ...
    @property
    def width(self) -> int: ...
    @property
    def height(self) -> int: ...
    @property
    def circumference(self) -> int: ...
    @property
    def length(self) -> float: ...
    @property
    def ratio(self) -> float: ...
    @property
    def correlation(self) -> float: ...
    @property
    def angle(self) -> float | None: ...
    @property
    def shape_class(self) -> ShapeClass: ...
    @property
    def nucleus_size(self) -> int: ...

class CellStatistics:
    """What the cell level found in a well."""
    @property
    def kept(self) -> int: ...
    @property
    def seen(self) -> int: ...
    @property
    def class_counts(self) -> dict[ShapeClass, int]: ...
    @property
    def orientation_bins(self) -> list[int]: ...
    @property
    def radial_share(self) -> int | None: ...
    @property
    def elongation_median(self) -> float | None: ...
    @property
    def elongation_mean(self) -> float | None: ...
    @property
    def smoothness_median(self) -> float | None: ...
    @property
    def smoothness_mean(self) -> float | None: ...

class WellResult:
    """The results of one well's analysis, the numbers of `vembrel well --json`."""
    @property
    def plate(self) -> str: ...
    @property
    def well(self) -> str: ...
    @property
    def ring(self) -> Ring: ...
    @property
    def ring_increment(self) -> int: ...
    @property
    def zone_contrast(self) -> float | None: ...
    @property
    def cutoffs(self) -> tuple[int, int] | None: ...
    @property
    def nuclei(self) -> int: ...
    @property
    def pixels(self) -> int: ...
    @property
    def calculated_nuclei(self) -> int: ...
    @property
    def average_distance(self) -> int: ...
    @property
    def total_nuclei(self) -> int: ...
    @property
    def average_nucleus_size(self) -> int: ...
    @property
    def nuclei_outside(self) -> int: ...
    @property
    def density(self) -> list[tuple[int, int]]:
        """(cells, area) per density ring, from the ring outwards."""
    @property
    def immigrants(self) -> list[tuple[int, int, int, float]]:
        """(x, y, size, distance) of each nucleus counted in the ring."""
    @property
    def qc(self) -> list[str]: ...
    @property
    def field_problems(self) -> list[tuple[str, str, str]]:
        """(kind, file, message) of each field that could not be used whole."""
    @property
    def cells(self) -> list[Cell] | None: ...
    @property
    def cell_statistics(self) -> CellStatistics | None: ...
    @property
    def variables(self) -> dict[str, str | float | None] | None:
        """What the plate map says of the well; None without a map."""
    @property
    def pixel_size(self) -> float | None:
        """Micrometres per mosaic pixel (large fields' reduction included), None when not known."""
    def to_dict(self) -> dict[str, Any]:
        """The results as `vembrel well --json` prints them."""

class Plate:
    """A plate of field pictures, opened from any one picture or from its folder."""
    def __init__(
        self,
        path: _Path,
        layout: str | None = None,
        channels: tuple[int, int] | str | None = None,
        input_bits: int | Literal["auto"] = "auto",
        plane: int = 1,
        plate_map: _Path | None = None,
        pixel_size: float | None = None,
        fields: Literal[4, 1] | None = None,
        wells_per_plate: int | None = None,
    ) -> None: ...
    @property
    def wells_per_plate(self) -> int:
        """The plate's format: 96, 384, 1536, ... wells."""
    @property
    def plate_map(self) -> dict[str, dict[str, str | float | None]] | None:
        """The map's variables of each well it names; None without a map."""
    @property
    def path(self) -> str: ...
    @property
    def prefix(self) -> str: ...
    @property
    def wells(self) -> list[str]:
        """The included wells, in plate order."""
    @property
    def layout(self) -> str: ...
    @property
    def layout_description(self) -> str: ...
    @property
    def channels(self) -> tuple[int, int]: ...
    @property
    def plane(self) -> int: ...
    @property
    def time_points(self) -> list[int]: ...
    @property
    def time_point(self) -> int: ...
    @property
    def fields(self) -> int:
        """Fields per well: 4 in the 2 x 2 order, or 1 picture of the whole well."""
    @property
    def input_bits(self) -> int: ...
    @property
    def pixel_size(self) -> float | None:
        """Micrometres per pixel of the field pictures, None when not known."""
    @property
    def notes(self) -> list[str]: ...
    def analyse(
        self,
        well: str,
        settings: Settings | None = None,
        cells: bool = False,
        fit_radius: tuple[int, int] | None = None,
        ring: tuple[int, int, int] | Ring | None = None,
        cutoffs: Literal["plate", "well"] = "plate",
    ) -> WellResult:
        """Analyses one well as `vembrel well` does."""
    def mosaics(
        self, well: str
    ) -> tuple[npt.NDArray[np.uint8], npt.NDArray[np.uint8]]:
        """(blue, green) uint8 arrays of 1024 x 1024, rows top first."""
    def batch(
        self,
        settings: Settings | None = None,
        cells: bool = False,
        jobs: int = 0,
        wells: Iterable[str] | None = None,
        fit_radius: tuple[int, int] | None = None,
        progress: Callable[[int, int], object] | None = None,
        cutoffs: Literal["plate", "well"] = "plate",
    ) -> list[WellResult]:
        """Analyses wells on threads (GIL released); results in plate order."""
    def suggest(
        self, settings: Settings | None = None, wells: Iterable[str] | None = None
    ) -> tuple[Settings, list[str]]:
        """Suggested settings and the reasons for them, as `vembrel suggest` gives them."""
    def time_course(
        self,
        settings: Settings | None = None,
        cells: bool = False,
        hours: Iterable[float] | None = None,
        ring_drift: int | None = None,
        fit_radius: tuple[int, int] | None = None,
        wells: Iterable[str] | None = None,
        jobs: int = 0,
    ) -> tuple[Any, Any]:
        """(time_course, kinetics) pandas DataFrames over every time point."""

def analyse_mosaics(
    blue: npt.NDArray[np.uint8],
    green: npt.NDArray[np.uint8],
    settings: Settings | None = None,
    cells: bool = False,
    well: str = "A01",
    fit_radius: tuple[int, int] | None = None,
    ring: tuple[int, int, int] | Ring | None = None,
    cutoffs: Literal["plate", "well"] = "plate",
) -> WellResult:
    """Analyses a well given as two 1024 x 1024 uint8 mosaics, rows top first."""

def to_pandas(results: Iterable[WellResult]) -> pandas.DataFrame:
    """One row per WellResult with the columns of the wells table."""
