// Plate: a plate opened from a picture or folder, its wells analysed one by
// one or as a batch on the batch's thread pool. The engine runs without the
// GIL: its sessions share nothing, so Python threads go on meanwhile.
#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <thread>
#include <type_traits>
#include <variant>
#include <vector>

#include "core/error.h"
#include "core/parallel_items.h"
#include "engine/settings_suggestion.h"
#include "plate/plate.h"
#include "plate/plate_layout.h"
#include "plate/well_names.h"
#include "python/binding.h"
#include "results/rings_file.h"
#include "results/table.h"
#include "results/time_course.h"
#include "results/time_point_batches.h"

namespace vembrel::python {
namespace {

struct PlateHandle {
  std::shared_ptr<const Plate> plate;
  std::string source;                      // the path it was opened from, made absolute
  PlateOpenOptions options;                // as it was opened, to open its other time points
  std::shared_ptr<const MappedPlate> map;  // none without a plate map
};

PlateOpenOptions OpenOptions(const py::object& layout, const py::object& channels,
                             const py::object& inputBits, const py::object& plane,
                             const py::object& pixelSize, const py::object& fields,
                             const py::object& wellsPerPlate) {
  PlateOpenOptions options;
  if (!fields.is_none()) {
    options.fieldsPerWell = static_cast<int>(IntArgument(fields, "fields", 1, 4));
    if (options.fieldsPerWell != 1 && options.fieldsPerWell != 4) {
      Raise(PyExc_ValueError,
            "fields must be 4 (fields in the 2 x 2 order), 1 (a picture of "
            "the whole well) or None, not " +
                std::string(py::repr(fields)));
    }
  }
  if (!wellsPerPlate.is_none()) {
    const int wells = static_cast<int>(IntArgument(wellsPerPlate, "wells_per_plate", 1, 1 << 20));
    options.format =
        RaisingAs(PyExc_ValueError, [&] { return PlateFormat::FromWellsPerPlate(wells); });
  }
  if (!pixelSize.is_none()) {
    if (py::isinstance<py::bool_>(pixelSize) ||
        !(py::isinstance<py::float_>(pixelSize) || py::isinstance<py::int_>(pixelSize))) {
      Raise(PyExc_TypeError,
            "pixel_size must be micrometres as a number, not " + std::string(py::repr(pixelSize)));
    }
    const double size = pixelSize.cast<double>();
    options.pixelSize = RaisingAs(PyExc_ValueError, [&] {
      return ParsePixelSizeOption(py::str(py::float_(size)).cast<std::string>());
    });
  }
  if (!layout.is_none()) {
    options.layout = TextArgument(layout, "layout");
    RaisingAs(PyExc_ValueError, [&] { LayoutFromOption(*options.layout); });
  }
  if (!channels.is_none()) {
    std::string text;
    if (py::isinstance<py::str>(channels)) {
      text = channels.cast<std::string>();
    } else {
      try {
        const auto pair = channels.cast<std::pair<int, int>>();
        text = std::to_string(pair.first) + "," + std::to_string(pair.second);
      } catch (const py::cast_error&) {
        Raise(PyExc_TypeError, "channels must be (nuclear, cell) channel numbers, not " +
                                   std::string(py::repr(channels)));
      }
    }
    options.channels = RaisingAs(PyExc_ValueError, [&] { return ParseChannelChoice(text); });
  }
  const bool automatic =
      py::isinstance<py::str>(inputBits) && inputBits.cast<std::string>() == "auto";
  if (!automatic) {
    const std::array<int, 5> allowed{8, 10, 12, 14, 16};
    if (!py::isinstance<py::int_>(inputBits) && !py::isinstance<py::str>(inputBits)) {
      Raise(PyExc_TypeError, "input_bits must be 8, 10, 12, 14, 16 or 'auto', not " +
                                 std::string(py::repr(inputBits)));
    }
    // Compared as Python ints: 2**70 is no C++ int.
    if (py::isinstance<py::bool_>(inputBits) ||
        std::none_of(allowed.begin(), allowed.end(),
                     [&](int bits) { return inputBits.equal(py::int_(bits)); })) {
      Raise(PyExc_ValueError, "input_bits must be 8, 10, 12, 14, 16 or 'auto', not " +
                                  std::string(py::repr(inputBits)));
    }
    options.inputBits = inputBits.cast<int>();
  }
  options.plane = static_cast<int>(IntArgument(plane, "plane", 1, 99));
  return options;
}

PlateHandle Open(const py::object& pathArgument, const PlateOpenOptions& options) {
  namespace fs = std::filesystem;
  const std::string path = PathArgument(pathArgument);
  std::error_code error;
  if (!fs::exists(path, error)) {
    Raise(PyExc_FileNotFoundError, "Unable to open picture '" + path + "': no such file or folder");
  }
  // Absolute, so the plate's folder is the real one.
  const std::string absolute = fs::absolute(path).lexically_normal().string();
  return RaisingAs(PyExc_OSError, [&] {
    py::gil_scoped_release release;
    return PlateHandle{std::make_shared<const Plate>(OpenPlate(absolute, options)), absolute,
                       options, nullptr};
  });
}

// A well name of the plate that has pictures to analyse.
int IncludedWell(const Plate& plate, const std::string& name) {
  const int well = WellArgument(name, plate.format);
  if (plate.wells[well].state != 1) {
    Raise(PyExc_ValueError, "Well " + plate.wells[well].name +
                                " has no field with both channel pictures in '" + plate.base + "'");
  }
  return well;
}

WellResult Analyse(const Plate& plate, int well, const AnalysisSettings& settings, bool cells,
                   const std::optional<RadiusRange>& fitRadius, CutoffMode cutoffs,
                   const std::optional<Ring>& ring = std::nullopt) {
  SessionOptions options;
  options.cellLevel = cells;
  options.fitRadius = fitRadius;
  options.ring = ring;
  options.cutoffs = cutoffs;
  const WellSession session(plate, well, settings, std::move(options));
  return TakeResult(session);
}

// A plate_map argument: None, or the path of a map (ValueError naming the
// file, line and value when it cannot be used).
std::shared_ptr<const MappedPlate> PlateMapArgument(const py::object& path) {
  if (path.is_none()) return nullptr;
  const std::string file = PathArgument(path);
  return RaisingAs(PyExc_ValueError,
                   [&] { return std::make_shared<const MappedPlate>(ReadPlateMap(file)); });
}

std::vector<WellResult> WithMap(std::vector<WellResult> results,
                                const std::shared_ptr<const MappedPlate>& map) {
  for (WellResult& result : results) result.map = map;
  return results;
}

// The wells of a batch, in plate order, once each.
std::vector<int> BatchWells(const Plate& plate, const py::object& names) {
  std::vector<int> wells;
  if (names.is_none()) {
    for (const WellRecord& record : plate.wells) {
      if (record.state == 1) wells.push_back(record.index);
    }
    return wells;
  }
  if (py::isinstance<py::str>(names)) {
    Raise(PyExc_TypeError, "wells must be a list of well names, not one name");
  }
  for (const py::handle name : names)
    wells.push_back(IncludedWell(plate, TextArgument(name, "a well name")));
  std::sort(wells.begin(), wells.end());
  wells.erase(std::unique(wells.begin(), wells.end()), wells.end());
  return wells;
}

// Analyses the wells on `jobs` threads without the GIL, on the batch's thread
// pool. The calling thread takes the GIL back as wells finish, and at least
// every tenth of a second, to report progress and to notice Ctrl+C, which
// ends the batch after the wells under way.
std::vector<WellResult> RunBatch(const Plate& plate, const std::vector<int>& wells,
                                 const AnalysisSettings& settings, bool cells,
                                 const std::optional<RadiusRange>& fitRadius, CutoffMode cutoffs,
                                 int jobs, const py::object& progress) {
  const int total = static_cast<int>(wells.size());
  std::vector<std::optional<WellResult>> results(total);
  std::vector<std::string> failures(total);
  std::atomic<int> finished{0};
  int reported = 0;
  ParallelItems how;
  how.jobs = jobs > 0 ? jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  how.finished = [&](std::size_t) { ++finished; };
  how.poll = [&] {
    const py::gil_scoped_acquire acquire;
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    const int done = finished;
    if (!progress.is_none() && done != reported) progress(done, total);
    reported = done;
    return true;
  };
  {
    py::gil_scoped_release release;
    RunOnThreads(
        wells.size(),
        [&](std::size_t i) {
          try {
            results[i] = Analyse(plate, wells[i], settings, cells, fitRadius, cutoffs);
          } catch (const std::exception& e) {
            failures[i] = "Well " + WellName(wells[i], plate.format) + ": " + e.what();
          }
        },
        how);
  }
  std::vector<WellResult> list;
  for (int i = 0; i < total; ++i) {
    if (!failures[i].empty()) Raise(PyExc_RuntimeError, failures[i]);
    list.push_back(std::move(*results[i]));
  }
  return list;
}

std::string Repr(const Plate& plate) {
  int included = 0;
  for (const WellRecord& record : plate.wells) included += record.state == 1 ? 1 : 0;
  return "Plate('" + plate.path + "', prefix='" + plate.prefix + "', layout='" + plate.layout +
         "', wells=" + std::to_string(included) + ")";
}

py::object TableValueObject(const TableValue& value) {
  return std::visit(
      [](const auto& v) -> py::object {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, std::monostate>) {
          return py::none();
        } else {
          return py::cast(v);
        }
      },
      value);
}

py::object DataFrame(const Table& table) {
  py::dict data;
  py::list names;
  for (std::size_t c = 0; c < table.columns.size(); ++c) {
    py::list values;
    for (const auto& row : table.rows) values.append(TableValueObject(row[c]));
    data[py::str(table.columns[c])] = values;
    names.append(table.columns[c]);
  }
  return py::module_::import("pandas").attr("DataFrame")(data, py::arg("columns") = names);
}

py::tuple TimeCourseTables(const PlateHandle& handle, const py::object& settings, bool cells,
                           const py::object& hours, const py::object& ringDrift,
                           const py::object& fitRadius, const py::object& wells, int jobs,
                           const py::object& results) {
  if (jobs < 0) Raise(PyExc_ValueError, "jobs must be 0 (all cores) or more");
  TimeCourseOptions options;
  options.settings = SettingsArgument(settings);
  options.cellLevel = cells;
  options.fitRadius = FitRadiusArgument(fitRadius);
  if (!ringDrift.is_none()) {
    if (!py::isinstance<py::int_>(ringDrift) || py::isinstance<py::bool_>(ringDrift)) {
      Raise(PyExc_TypeError,
            "ring_drift must be a number of pixels, not " + std::string(py::repr(ringDrift)));
    }
    const long long drift = ringDrift.cast<long long>();
    if (drift < 0 || drift > 1024) {
      Raise(PyExc_ValueError, "ring_drift must lie within 0..1024, not " + std::to_string(drift));
    }
    options.ringDrift = static_cast<int>(drift);
  }
  std::string hoursText;
  if (!hours.is_none()) {
    if (py::isinstance<py::str>(hours)) Raise(PyExc_TypeError, "hours must be a list of numbers");
    for (const py::handle hour : hours) {
      if (!py::isinstance<py::int_>(hour) && !py::isinstance<py::float_>(hour)) {
        Raise(PyExc_TypeError, "hours must be numbers, not " + std::string(py::repr(hour)));
      }
      hoursText += (hoursText.empty() ? "" : ",") + ExactDecimalText(hour.cast<double>());
    }
    if (hoursText.empty()) Raise(PyExc_ValueError, "hours must not be empty");
  }
  if (!wells.is_none()) options.wells = BatchWells(*handle.plate, wells);
  options.jobs =
      jobs > 0 ? jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  // With a results folder, the course runs as `vembrel timecourse` runs it:
  // each time point's batch into its folder, the course's tables and page
  // beside them, reviewed rings from the folder's rings file when there.
  std::optional<TimePointBatchOptions> batches;
  if (!results.is_none()) {
    batches.emplace();
    batches->resultsFolder = py::module_::import("os").attr("fspath")(results).cast<std::string>();
    if (batches->resultsFolder.empty()) Raise(PyExc_ValueError, "results must name a folder");
    if (batches->resultsFolder.back() != '/') batches->resultsFolder += '/';
    batches->commandLine = "Plate.time_course (Python)";
    // The plate's map gives the course its condition curves, as --plate-map does.
    if (handle.map) batches->plateMap = MapRequest{*handle.map, {}, false};
  }
  TimeCourse course;
  std::string refused;  // raised once the GIL is held again
  std::vector<std::string> unwritten;
  {
    std::vector<std::string> notes;
    const py::gil_scoped_release release;
    try {
      const std::vector<TimePointPlate> series =
          OpenTimeSeries({handle.source}, handle.options, hoursText, notes);
      if (!batches) {
        course = RunTimeCourse(series, options);
      } else {
        const std::string rings =
            RingsFileName(batches->resultsFolder, series.front().plate.prefix);
        std::error_code missing;
        if (std::filesystem::exists(rings, missing)) batches->rings = ReadRingsFile(rings);
        TimeCourseFolderRun run = RunTimeCourseInFolder(series, options, *batches,
                                                        ParseKineticChoice("zone_coverage:t_half"));
        course = std::move(run.course);
        for (const TimePointBatchReport& report : run.reports) {
          for (const BatchFailure& failure : report.writeFailures) {
            unwritten.push_back(failure.message);
          }
          if (!report.summaryError.empty()) unwritten.push_back(report.summaryError);
          for (const PlateFileOutcome& file : report.plateFiles) {
            if (!file.error.empty()) unwritten.push_back(file.error);
          }
        }
        if (!run.writeError.empty()) unwritten.push_back(run.writeError);
      }
    } catch (const Error& e) {
      refused = e.what();
    }
  }
  if (!refused.empty()) Raise(PyExc_ValueError, refused);
  if (!unwritten.empty()) Raise(PyExc_OSError, unwritten.front());
  if (!course.failures.empty()) {
    const TimeCourseFailure& failure = course.failures.front();
    Raise(PyExc_RuntimeError, "Well " + WellName(failure.well, course.format) + " at time point " +
                                  std::to_string(course.numbers[failure.timePoint]) + ": " +
                                  failure.message);
  }
  return py::make_tuple(DataFrame(TimeCourseTable(course)), DataFrame(KineticsTable(course)));
}

}  // namespace

void BindPlate(py::module_& module) {
  using P = const PlateHandle&;
  py::class_<PlateHandle>(
      module, "Plate", R"(A plate of field pictures, opened from any one picture or from its folder.

Plate(path, layout=None, channels=None, input_bits='auto', plane=1,
plate_map=None, pixel_size=None, fields=None, wells_per_plate=None): layout is
'native', 'imagexpress', 'operetta', 'incucyte' or a pattern such as
'{plate}_{well}_s{field}_w{channel}.tif' (detected when None); channels the
(nuclear, cell) channel numbers (the two lowest found when None); input_bits
the bits of 16-bit samples that carry the picture (8, 10, 12, 14, 16, or
'auto' to detect them from the first included well); plane the focal plane
read where names carry one; plate_map a plate map (CSV, plate-shaped or
tidy) whose variables the results carry; pixel_size the micrometres per pixel
of the field pictures, above what their metadata says (read from it when
None); fields the fields per well, 4 in the 2 x 2 order or 1 picture of the
whole well (detected when None); wells_per_plate the plate's format, 6, 12, 24,
48, 96, 384 or 1536 (detected from the wells the names give when None).
FileNotFoundError when path does not exist, OSError when it holds no plate or
wells beyond wells_per_plate, ValueError for a bad option or plate map.)")
      .def(py::init([](const py::object& path, const py::object& layout, const py::object& channels,
                       const py::object& inputBits, const py::object& plane,
                       const py::object& plateMap, const py::object& pixelSize,
                       const py::object& fields, const py::object& wellsPerPlate) {
             std::shared_ptr<const MappedPlate> map = PlateMapArgument(plateMap);
             PlateHandle handle = Open(path, OpenOptions(layout, channels, inputBits, plane,
                                                         pixelSize, fields, wellsPerPlate));
             if (map) {
               handle.map = RaisingAs(PyExc_ValueError, [&] {
                 return std::make_shared<const MappedPlate>(MapOnPlate(*map, handle.plate->format));
               });
             }
             return handle;
           }),
           py::arg("path"), py::arg("layout") = py::none(), py::arg("channels") = py::none(),
           py::arg("input_bits") = "auto", py::arg("plane") = 1, py::arg("plate_map") = py::none(),
           py::arg("pixel_size") = py::none(), py::arg("fields") = py::none(),
           py::arg("wells_per_plate") = py::none())
      .def_property_readonly(
          "plate_map",
          [](P p) -> py::object {
            if (!p.map) return py::none();
            py::dict wells;
            for (int w = 0; w < p.map->format.wellCount(); ++w) {
              if (p.map->wells[w].mapped)
                wells[py::str(WellName(w, p.map->format))] = MapVariables(*p.map, w);
            }
            return wells;
          },
          "The plate map's variables of each well it names, by well name; None without a map.")
      .def_property_readonly(
          "path", [](P p) { return p.plate->path; },
          "Folder of the pictures, with a trailing separator.")
      .def_property_readonly(
          "prefix", [](P p) { return p.plate->prefix; },
          "Results prefix of the plate, such as 'DEMO_'.")
      .def_property_readonly(
          "wells",
          [](P p) {
            std::vector<std::string> names;
            for (const WellRecord& record : p.plate->wells) {
              if (record.state == 1) names.push_back(record.name);
            }
            return names;
          },
          "Names of the included wells (a field with both channels), in plate order.")
      .def_property_readonly(
          "wells_per_plate", [](P p) { return p.plate->format.wellCount(); },
          "The plate's format: 96, or 384, 1536 and the others when the names or\n"
          "wells_per_plate say so.")
      .def_property_readonly(
          "layout", [](P p) { return p.plate->layout; },
          "The layout's name: native, imagexpress, operetta, incucyte or pattern.")
      .def_property_readonly(
          "layout_description", [](P p) { return p.plate->layoutDescription; },
          "The layout's file-name rule and the channels read.")
      .def_property_readonly(
          "channels",
          [](P p) { return py::make_tuple(p.plate->channels[0], p.plate->channels[1]); },
          "The layout's numbers of the nuclear and the cell channel.")
      .def_property_readonly(
          "plane", [](P p) { return p.plate->plane; }, "Focal plane read.")
      .def_property_readonly(
          "time_points", [](P p) { return p.plate->timePoints; },
          "Every time point the plate holds, ascending ([1] for a single acquisition).")
      .def_property_readonly(
          "time_point", [](P p) { return p.plate->timePoint; }, "The time point read.")
      .def_property_readonly(
          "fields", [](P p) { return p.plate->fieldsPerWell; },
          "Fields per well: 4 in the 2 x 2 order, or 1 picture of the whole well.")
      .def("time_course", &TimeCourseTables, py::arg("settings") = py::none(),
           py::arg("cells") = false, py::arg("hours") = py::none(),
           py::arg("ring_drift") = py::none(), py::arg("fit_radius") = py::none(),
           py::arg("wells") = py::none(), py::arg("jobs") = 0, py::arg("results") = py::none(),
           R"(Follows the wells over every time point of the plate, as `vembrel timecourse`.

Each well's ring is fitted at its first time point and held (ring_drift: re-fit
within that many pixels of it). hours: one number per time point, increasing
(the time points' numbers when None). Returns (time_course, kinetics): two
pandas DataFrames with the columns of the time course and kinetics tables.
results: a folder (str or path) to write the files `vembrel timecourse
--results` writes, each time point's folder included; reviewed rings are then
taken from its rings file when there. None: nothing is written.
ValueError for hours of another count or not increasing, or time points whose
pictures differ in size.)")
      .def_property_readonly(
          "input_bits", [](P p) { return p.plate->inputBits; },
          "Bits of the 16-bit samples read (8 for 8-bit pictures).")
      .def_property_readonly(
          "pixel_size",
          [](P p) -> py::object {
            const auto& size = p.plate->pixelSize;
            return size ? py::object(py::float_(size->micrometres)) : py::object(py::none());
          },
          "Micrometres per pixel of the field pictures, None when not known.")
      .def_property_readonly(
          "notes", [](P p) { return p.plate->notes; },
          "Missing, extra or mixed-size fields and the like, once each.")
      .def(
          "analyse",
          [](P p, const std::string& well, const py::object& settings, bool cells,
             const py::object& fitRadius, const py::object& ring, const py::object& cutoffs) {
            const int index = IncludedWell(*p.plate, well);
            const AnalysisSettings values = SettingsArgument(settings);
            const std::optional<RadiusRange> range = FitRadiusArgument(fitRadius);
            const std::optional<Ring> placed = RingArgument(ring);
            const CutoffMode mode = CutoffsArgument(cutoffs);
            if (range && placed)
              Raise(PyExc_ValueError, "give either fit_radius or ring, not both");
            WellResult result;
            {
              const py::gil_scoped_release release;
              result = Analyse(*p.plate, index, values, cells, range, mode, placed);
            }
            result.map = p.map;
            return result;
          },
          py::arg("well"), py::arg("settings") = py::none(), py::arg("cells") = false,
          py::arg("fit_radius") = py::none(), py::arg("ring") = py::none(),
          py::arg("cutoffs") = "plate",
          R"(Analyses one well as `vembrel well` does and returns its WellResult.

settings: a Settings (the defaults when None); cells: analyse the cells as
well; fit_radius: (min, max) to fit the zone's radius in that range as well
as its centre, instead of taking settings.ring.radius; ring: (x, y, radius)
or a Ring to analyse at (a reviewed ring: x the column, y the row counted
from the bottom) instead of fitting one; cutoffs: 'well' to choose the well's
nucleus cut-offs from its own pictures as suggest() chooses them (the
result's cutoffs), 'plate' to take the settings'. ValueError for an unknown
well name, a well without pictures, a ring off the mosaic or another
cutoffs; TypeError for a ring that is no three whole numbers.)")
      .def(
          "mosaics",
          [](P p, const std::string& well) {
            const int index = IncludedWell(*p.plate, well);
            WellMosaics mosaics;
            {
              const py::gil_scoped_release release;
              mosaics = LoadWellMosaics(*p.plate, index);
            }
            return MosaicArrays(mosaics);
          },
          py::arg("well"),
          "The well's (blue, green) mosaics as numpy uint8 arrays of 1024 x 1024, rows\n"
          "top first: the nuclear and the cell stain as the analysis sees them\n"
          "(quarters of missing fields black).")
      .def(
          "batch",
          [](P p, const py::object& settings, bool cells, const py::object& jobs,
             const py::object& wells, const py::object& fitRadius, const py::object& progress,
             const py::object& cutoffs) {
            // 0: one per core; more threads than wells are never started.
            const int threads = static_cast<int>(IntArgument(jobs, "jobs", 0, 1 << 16));
            return WithMap(
                RunBatch(*p.plate, BatchWells(*p.plate, wells), SettingsArgument(settings), cells,
                         FitRadiusArgument(fitRadius), CutoffsArgument(cutoffs), threads, progress),
                p.map);
          },
          py::arg("settings") = py::none(), py::arg("cells") = false, py::arg("jobs") = 0,
          py::arg("wells") = py::none(), py::arg("fit_radius") = py::none(),
          py::arg("progress") = py::none(), py::arg("cutoffs") = "plate",
          R"(Analyses wells on threads and returns their WellResults in plate order.

wells: names of wells to analyse (all included wells when None); cutoffs as
for analyse(); jobs: threads (0: one per core); progress: called as progress(done, total) in the
calling thread as wells finish. No file is written. Other Python threads run
meanwhile; Ctrl+C stops the batch after the wells under way. RuntimeError
naming the well when one cannot be analysed.)")
      .def(
          "suggest",
          [](P p, const py::object& settings, const py::object& wells) {
            const AnalysisSettings base = SettingsArgument(settings);
            const std::vector<int> looked =
                wells.is_none() ? WellsToSuggestFrom(*p.plate) : BatchWells(*p.plate, wells);
            SettingsSuggestion suggestion;
            {
              const py::gil_scoped_release release;
              suggestion = SuggestSettings(*p.plate, looked, base);
            }
            return py::make_tuple(
                SettingsValues{std::make_shared<AnalysisSettings>(suggestion.settings)},
                suggestion.reasons);
          },
          py::arg("settings") = py::none(), py::arg("wells") = py::none(),
          R"(Suggests settings for the plate as `vembrel suggest` does.

Looks at the wells named (four spread over the plate when None) and returns
(settings, reasons): a Settings with the suggested ring radius, nucleus
cut-offs and sizes and cell settings (the others those of settings, the
defaults when None), and why each value is what it is. RuntimeError when the
wells hold no nucleus.)")
      .def("__repr__", [](P p) { return Repr(*p.plate); });
}

}  // namespace vembrel::python
