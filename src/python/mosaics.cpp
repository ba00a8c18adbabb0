// Mosaics as numpy arrays: grey values, rows top first. The engine's pictures
// hold 4 bytes per pixel, rows bottom first; the grey value is the blue byte,
// and a loaded field has it in blue, green and red with the spare byte 255.
#include <pybind11/numpy.h>

#include <cstring>

#include "imaging/picture.h"
#include "plate/well_names.h"
#include "python/binding.h"

namespace vembrel::python {
namespace {

py::array_t<std::uint8_t> ToArray(const Picture& mosaic) {
  py::array_t<std::uint8_t> array({kMosaicSize, kMosaicSize});
  auto out = array.mutable_unchecked<2>();
  for (int row = 0; row < kMosaicSize; ++row) {
    const std::uint8_t* in = mosaic.bytes.data() + mosaic.offset(0, kMosaicSize - 1 - row);
    for (int column = 0; column < kMosaicSize; ++column) out(row, column) = in[4 * column];
  }
  return array;
}

// Any uint8 array of 1024 x 1024, whatever its strides, as a mosaic.
Picture ToMosaic(const py::array& array, const char* name) {
  if (!array.dtype().is(py::dtype::of<std::uint8_t>())) {
    Raise(PyExc_TypeError, std::string(name) + " must be an array of uint8, not of " +
                               std::string(py::str(array.dtype())));
  }
  if (array.ndim() != 2 || array.shape(0) != kMosaicSize || array.shape(1) != kMosaicSize) {
    Raise(PyExc_ValueError, std::string(name) + " has the shape " +
                                std::string(py::str(py::cast(std::vector<py::ssize_t>(
                                    array.shape(), array.shape() + array.ndim())))) +
                                "; a mosaic must be 1024 x 1024");
  }
  const auto in = array.unchecked<std::uint8_t, 2>();
  Picture mosaic = Picture::Uninitialised(kMosaicSize, kMosaicSize);
  for (int row = 0; row < kMosaicSize; ++row) {
    std::uint8_t* out = mosaic.bytes.data() + mosaic.offset(0, kMosaicSize - 1 - row);
    for (int column = 0; column < kMosaicSize; ++column) {
      const std::uint32_t word = 0xff000000u | in(row, column) * 0x010101u;
      std::memcpy(out + 4 * column, &word, 4);
    }
  }
  return mosaic;
}

}  // namespace

py::tuple MosaicArrays(const WellMosaics& mosaics) {
  return py::make_tuple(ToArray(mosaics.blue), ToArray(mosaics.green));
}

void BindMosaics(py::module_& module) {
  module.def(
      "analyse_mosaics",
      [](const py::array& blue, const py::array& green, const py::object& settings, bool cells,
         const std::string& well, const py::object& fitRadius, const py::object& ring,
         const py::object& cutoffs) {
        WellMosaics mosaics;
        mosaics.blue = ToMosaic(blue, "blue");
        mosaics.green = ToMosaic(green, "green");
        const int index = WellArgument(well);
        const AnalysisSettings values = SettingsArgument(settings);
        SessionOptions options;
        options.cellLevel = cells;
        options.fitRadius = FitRadiusArgument(fitRadius);
        options.ring = RingArgument(ring);
        options.cutoffs = CutoffsArgument(cutoffs);
        if (options.fitRadius && options.ring) {
          Raise(PyExc_ValueError, "give either fit_radius or ring, not both");
        }
        const py::gil_scoped_release release;
        const WellSession session(index, std::move(mosaics), values, std::move(options));
        return TakeResult(session);
      },
      py::arg("blue"), py::arg("green"), py::arg("settings") = py::none(), py::arg("cells") = false,
      py::arg("well") = "A01", py::arg("fit_radius") = py::none(), py::arg("ring") = py::none(),
      py::arg("cutoffs") = "plate",
      R"(Analyses a well given as two mosaics and returns its WellResult.

blue and green: the nuclear and the cell stain as uint8 arrays of 1024 x 1024,
rows top first (as Plate.mosaics() returns them; any strides). The results
are those Plate.analyse gives for the same pixels. well names the result;
settings, cells, fit_radius, ring and cutoffs are as for Plate.analyse. TypeError for
another dtype, ValueError for another shape or a bad well name.)");
}

}  // namespace vembrel::python
