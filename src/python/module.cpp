// The module `vembrel`: the engine's plates, settings and well analysis for
// Python, with the numbers `vembrel well --json` prints.
#include <cstdint>
#include <string>

#include "core/memory_tuning.h"
#include "imaging/zone_fit.h"
#include "plate/well_names.h"
#include "python/binding.h"

namespace vembrel::python {

void Raise(PyObject* type, const std::string& message) {
  PyErr_SetString(type, message.c_str());
  throw py::error_already_set();
}

std::string PathArgument(const py::handle& path) {
  const py::object name = py::module_::import("os").attr("fspath")(path);
  const std::string text = name.cast<std::string>();
  // The system would cut the name at its first NUL and open another file.
  if (text.find('\0') != std::string::npos) {
    Raise(PyExc_ValueError, "A path must not hold a NUL character: " + std::string(py::repr(name)));
  }
  return text;
}

long long IntArgument(const py::handle& value, const char* what, long long minimum,
                      long long maximum) {
  if (!py::isinstance<py::int_>(value) || py::isinstance<py::bool_>(value)) {
    Raise(PyExc_TypeError,
          std::string(what) + " must be an int, not " + Py_TYPE(value.ptr())->tp_name);
  }
  int overflow = 0;
  const long long whole = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (overflow != 0 || whole < minimum || whole > maximum) {
    Raise(PyExc_ValueError, std::string(what) + " must lie within " + std::to_string(minimum) +
                                ".." + std::to_string(maximum) + ", not " +
                                std::string(py::repr(value)));
  }
  return whole;
}

std::string TextArgument(const py::handle& value, const char* what) {
  if (!py::isinstance<py::str>(value)) {
    Raise(PyExc_TypeError,
          std::string(what) + " must be a str, not " + Py_TYPE(value.ptr())->tp_name);
  }
  return value.cast<std::string>();
}

py::object ToPython(const Json& json) {
  switch (json.type()) {
    case Json::value_t::null:
      return py::none();
    case Json::value_t::boolean:
      return py::bool_(json.get<bool>());
    case Json::value_t::number_integer:
      return py::int_(json.get<std::int64_t>());
    case Json::value_t::number_unsigned:
      return py::int_(json.get<std::uint64_t>());
    case Json::value_t::number_float:
      return py::float_(json.get<double>());
    case Json::value_t::string:
      return py::str(json.get_ref<const std::string&>());
    case Json::value_t::array: {
      py::list list;
      for (const Json& item : json) list.append(ToPython(item));
      return list;
    }
    case Json::value_t::object: {
      py::dict dict;
      for (const auto& [key, value] : json.items()) dict[py::str(key)] = ToPython(value);
      return dict;
    }
    default:
      Raise(PyExc_TypeError,
            "A JSON value of type " + std::string(json.type_name()) + " has no Python counterpart");
  }
}

Json FromPython(py::handle value) {
  PyObject* object = value.ptr();
  // numpy's bool_ is no int and has no __index__, but is a truth value.
  if (PyBool_Check(object) || std::string(Py_TYPE(object)->tp_name) == "numpy.bool_") {
    return value.cast<bool>();
  }
  if (PyIndex_Check(object)) {  // int and numpy's integers
    const py::int_ number = py::reinterpret_steal<py::int_>(PyNumber_Index(object));
    int overflow = 0;
    const long long whole = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
    if (overflow != 0) {
      Raise(PyExc_ValueError, std::string(py::repr(number)) + " is too large for any setting");
    }
    return static_cast<std::int64_t>(whole);
  }
  if (PyFloat_Check(object) || py::hasattr(value, "__float__")) return value.cast<double>();
  if (value.is_none()) return nullptr;
  if (PyUnicode_Check(object)) return value.cast<std::string>();
  if (PyDict_Check(object)) {
    Json json = Json::object();
    for (const auto& [key, item] : value.cast<py::dict>()) {
      if (!PyUnicode_Check(key.ptr())) {
        Raise(PyExc_TypeError, "Setting names must be text, not " + std::string(py::repr(key)));
      }
      json[key.cast<std::string>()] = FromPython(item);
    }
    return json;
  }
  if (PyList_Check(object) || PyTuple_Check(object)) {
    Json json = Json::array();
    for (const py::handle item : value) json.push_back(FromPython(item));
    return json;
  }
  Raise(PyExc_TypeError,
        "A " + std::string(Py_TYPE(object)->tp_name) + " cannot be a setting value");
}

int WellArgument(const std::string& well, const PlateFormat& format) {
  return RaisingAs(PyExc_ValueError, [&] { return WellIndex(well, format); });
}

std::optional<RadiusRange> FitRadiusArgument(const py::object& range) {
  if (range.is_none()) return std::nullopt;
  const bool pair =
      (py::isinstance<py::tuple>(range) || py::isinstance<py::list>(range)) && py::len(range) == 2;
  if (!pair) {
    Raise(PyExc_TypeError, "fit_radius must be a pair of whole numbers (min, max), not " +
                               std::string(py::repr(range)));
  }
  const py::sequence bounds = range;
  RadiusRange radii{
      static_cast<int>(IntArgument(bounds[0], "fit_radius's minimum", 1, kLargestFitRadius)),
      static_cast<int>(IntArgument(bounds[1], "fit_radius's maximum", 1, kLargestFitRadius))};
  if (radii.minimum < 1 || radii.maximum > kLargestFitRadius || radii.minimum > radii.maximum) {
    Raise(PyExc_ValueError, "fit_radius " + std::string(py::repr(range)) +
                                " is no range (min, max) of radii within 1.." +
                                std::to_string(kLargestFitRadius));
  }
  return radii;
}

std::optional<Ring> RingArgument(const py::object& ring) {
  if (ring.is_none()) return std::nullopt;
  Ring placed;
  if (py::isinstance<Ring>(ring)) {
    placed = ring.cast<Ring>();
  } else {
    try {
      if (py::isinstance<py::str>(ring)) throw py::cast_error();
      const auto triple = ring.cast<std::tuple<int, int, int>>();
      placed = {std::get<0>(triple), std::get<1>(triple), std::get<2>(triple)};
    } catch (const py::cast_error&) {
      Raise(PyExc_TypeError,
            "ring must be three whole numbers (x, y, radius), not " + std::string(py::repr(ring)));
    }
  }
  if (const std::string problem = RingPlacementProblem(placed); !problem.empty()) {
    Raise(PyExc_ValueError, "ring " + std::string(py::repr(ring)) + ": " + problem);
  }
  return placed;
}

CutoffMode CutoffsArgument(const py::object& mode) {
  const std::string text = TextArgument(mode, "cutoffs");
  const std::optional<CutoffMode> parsed = CutoffModeFromName(text);
  if (!parsed)
    Raise(PyExc_ValueError,
          "cutoffs must be 'well' or 'plate', not " + std::string(py::repr(mode)));
  return *parsed;
}

}  // namespace vembrel::python

PYBIND11_MODULE(vembrel, module) {
  using namespace vembrel::python;
  module.doc() =
      "Cell-migration assays in 96-well plates: open a plate, analyse its wells\n"
      "(the cell-free ring, the nuclei that migrated into it, the density of\n"
      "nuclei outside it and, at cell level, the cells' shapes) with the numbers\n"
      "`vembrel well --json` prints, and tabulate them with pandas.\n\n"
      "Importing the module tunes the C allocator as the command line does:\n"
      "freed picture buffers stay in the process's heap for the next well.\n\n"
      "Rows: the arrays of Plate.mosaics() hold rows top first; the y of rings,\n"
      "nuclei and cells counts rows from the bottom, so row = 1023 - y.";
  module.attr("__version__") = VEMBREL_VERSION;
  // Without it every well maps and zeroes fresh pages for its buffers: a
  // batch takes several times as long.
  vembrel::KeepPictureBuffersMapped();
  // Errors no call maps itself: bad input is a ValueError, the rest a RuntimeError.
  py::register_exception_translator([](std::exception_ptr error) {
    try {
      if (error) std::rethrow_exception(error);
    } catch (const vembrel::UsageError& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const vembrel::ConversionError& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const vembrel::Error& e) {
      PyErr_SetString(PyExc_RuntimeError, e.what());
    } catch (const py::cast_error& e) {
      // An argument of a type no call checks itself.
      PyErr_SetString(PyExc_TypeError, e.what());
    }
  });
  BindSettings(module);
  BindResults(module);
  BindPlate(module);
  BindMosaics(module);
}
