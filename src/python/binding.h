#pragma once
// What the files of the Python module share: the engine's errors as Python
// exceptions, JSON as Python objects, settings and results arguments.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "core/error.h"
#include "engine/well_results.h"
#include "engine/well_session.h"
#include "plate/analysis_settings.h"
#include "results/plate_map.h"

namespace vembrel::python {

namespace py = pybind11;
using Json = nlohmann::ordered_json;

/// Runs work; an Error of the engine becomes the Python exception `type`
/// (PyExc_ValueError, PyExc_OSError, ...) with the engine's message.
template <class Work>
auto RaisingAs(PyObject* type, Work&& work) -> decltype(work()) {
  try {
    return work();
  } catch (const Error& e) {
    PyErr_SetString(type, e.what());
    throw py::error_already_set();
  }
}

/// Raises the Python exception `type` with the message.
[[noreturn]] void Raise(PyObject* type, const std::string& message);

/// A path argument (str or os.PathLike) as text; ValueError when it holds a NUL.
std::string PathArgument(const py::handle& path);
/// An int argument within minimum..maximum: TypeError for another type
/// (bool too), ValueError naming `what` outside the range (2**70 too).
long long IntArgument(const py::handle& value, const char* what, long long minimum,
                      long long maximum);
/// A str argument; TypeError naming `what` for anything else.
std::string TextArgument(const py::handle& value, const char* what);

/// JSON numbers, strings, arrays and objects as Python objects, and back;
/// FromPython raises TypeError for what JSON cannot hold.
py::object ToPython(const Json& json);
Json FromPython(py::handle value);

/// The settings held by a Python `Settings`; shared with its group views.
struct SettingsValues {
  std::shared_ptr<AnalysisSettings> values = std::make_shared<AnalysisSettings>();
};
/// A settings argument: None for the defaults, else a `Settings`.
AnalysisSettings SettingsArgument(const py::object& settings);

/// A well name ("B03") as its index; ValueError naming it otherwise.
int WellArgument(const std::string& well, const PlateFormat& format = {});
/// A fit_radius argument: None, or (min, max) within 1..2048 (ValueError otherwise).
std::optional<RadiusRange> FitRadiusArgument(const py::object& range);
/// A ring argument: None, or (x, y, radius) or a Ring on the mosaic
/// (TypeError for what is no such triple, ValueError off the mosaic).
std::optional<Ring> RingArgument(const py::object& ring);

/// A cutoffs argument: "plate" or "well" (TypeError for what is no str,
/// ValueError naming any other text).
CutoffMode CutoffsArgument(const py::object& mode);

/// One well's results as the module hands them out.
struct WellResult {
  std::string plate;  // prefix of the plate, "" for mosaics given by the caller
  std::string well;   // "B03"
  WellResults results;
  Json json;  // what `vembrel well --json` prints for the same analysis
  std::shared_ptr<const MappedPlate> map;  // the plate's map, when it was opened with one
};
WellResult TakeResult(const WellSession& session);

/// What a plate map says of a well, by variable (None for those not set).
py::dict MapVariables(const MappedPlate& map, int well);

/// The mosaics as (blue, green) numpy uint8 arrays of 1024 x 1024, rows top first.
py::tuple MosaicArrays(const WellMosaics& mosaics);

void BindSettings(py::module_& module);
void BindResults(py::module_& module);
void BindPlate(py::module_& module);
void BindMosaics(py::module_& module);

}  // namespace vembrel::python
