#include "cli/plate_options.h"

#include "core/error.h"
#include "plate/pixel_size.h"
#include "plate/plate_layout.h"

namespace vembrel::cli {
namespace {

// A CLI11 check from a parser that throws Error: its message, or "" when the value is good.
template <typename Parse>
std::function<std::string(const std::string&)> CheckWith(Parse parse) {
  return [parse](const std::string& value) -> std::string {
    try {
      parse(value);
      return {};
    } catch (const Error& e) {
      return e.what();
    }
  };
}

}  // namespace

void AddPlateOpenOptions(CLI::App& command, PlateOpenOptions& options) {
  command
      .add_option_function<std::string>(
          "--layout", [&options](const std::string& value) { options.layout = value; },
          "File names of the plate: native, imagexpress, operetta, incucyte or a pattern with "
          "{plate}, "
          "{well}, {row}, {col}, {field}, {channel} (detected when not given)")
      ->check(CheckWith([](const std::string& value) { LayoutFromOption(value); }))
      ->type_name("NAME|PATTERN");
  command
      .add_option_function<std::string>(
          "--channels",
          [&options](const std::string& value) { options.channels = ParseChannelChoice(value); },
          "Channel numbers of the nuclear and the cell stain (default: the two lowest found)")
      ->check(CheckWith([](const std::string& value) { ParseChannelChoice(value); }))
      ->type_name("NUCLEAR,CELL");
  command.add_option("--plane", options.plane, "Focal plane read where names carry one")
      ->check(CLI::Range(1, 99))
      ->type_name("N");
  command
      .add_option("--time", options.timePoint,
                  "Time point read where the plate holds a time series (default: the first)")
      ->check(CLI::Range(1, 999999999))
      ->type_name("N");
  command
      .add_option("--fields", options.fieldsPerWell,
                  "Fields per well: 4 in the 2 x 2 order, or 1 picture of the whole well "
                  "(default: detected, four unless the files say otherwise)")
      ->check(CLI::IsMember({1, 4}))
      ->type_name("4|1");
  command
      .add_option_function<std::string>(
          "--input-bits",
          [&options](const std::string& value) {
            options.inputBits = value == "auto" ? 0 : std::stoi(value);
          },
          "Bits of 16-bit samples that carry the picture: 8, 10, 12, 14, 16 or auto (default: "
          "detected from the first included well)")
      ->check(CLI::IsMember({"8", "10", "12", "14", "16", "auto"}))
      ->type_name("BITS");
  command
      .add_option_function<std::string>(
          "--pixel-size",
          [&options](const std::string& value) { options.pixelSize = ParsePixelSizeOption(value); },
          "Micrometres per pixel of the field pictures, above what their metadata says "
          "(default: read from the metadata where there is one; else measures stay in pixels)")
      ->check(CheckWith([](const std::string& value) { ParsePixelSizeOption(value); }))
      ->type_name("UM");
  AddWellsPerPlateOption(command, options.format);
}

void AddWellsPerPlateOption(CLI::App& command, std::optional<PlateFormat>& format) {
  command
      .add_option_function<int>(
          "--wells-per-plate",
          [&format](int wells) { format = PlateFormat::FromWellsPerPlate(wells); },
          "Wells of the plate: 6, 12, 24, 48, 96, 384 or 1536 (default: detected from the "
          "wells the names give; 96 when they fit)")
      ->check(CheckWith([](const std::string& value) {
        std::size_t used = 0;
        int wells = -1;
        try {
          wells = std::stoi(value, &used);
        } catch (const std::exception&) {
        }
        if (used != value.size() || used == 0) {
          throw Error("--wells-per-plate '" + value + "' is no number of wells");
        }
        PlateFormat::FromWellsPerPlate(wells);
      }))
      ->type_name("N");
}

}  // namespace vembrel::cli
