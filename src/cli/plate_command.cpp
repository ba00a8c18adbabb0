// vembrel plate PICTURE|FOLDER: the plate of a picture or folder, its layout
// and its plate map.
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/batch_runner.h"
#include "cli/command.h"
#include "cli/plate_options.h"
#include "core/date_text.h"
#include "core/error.h"
#include "plate/plate.h"

namespace vembrel::cli {
namespace {

char QuarterLetter(QuarterColour colour) {
  switch (colour) {
    case QuarterColour::Cyan:
      return 'C';
    case QuarterColour::Blue:
      return 'B';
    case QuarterColour::Green:
      return 'G';
    case QuarterColour::Red:
      return 'x';
    case QuarterColour::None:
      break;
  }
  return '.';
}

// The plate as one JSON object, for scripts and workflows.
void PrintPlateJson(const Plate& plate) {
  nlohmann::ordered_json wells = nlohmann::ordered_json::array();
  for (const WellRecord& well : plate.wells) {
    if (well.state == 1) wells.push_back(well.name);
  }
  nlohmann::ordered_json json = {{"path", plate.path},
                                 {"prefix", plate.prefix},
                                 {"layout", plate.layout},
                                 {"layout_description", plate.layoutDescription},
                                 {"input_bits", plate.inputBits},
                                 {"input_bits_detected", plate.inputBitsDetected},
                                 {"time_point", plate.timePoint},
                                 {"time_points", plate.timePoints},
                                 {"fields", plate.fieldsPerWell},
                                 {"wells_per_plate", plate.format.wellCount()},
                                 {"wells", wells},
                                 {"notes", plate.notes}};
  if (plate.pixelSize) {
    json["pixel_size"] = {{"micrometres", plate.pixelSize->micrometres},
                          {"source", plate.pixelSize->source}};
  }
  std::cout << json.dump(2) << "\n";
}

void PrintPlate(const std::string& pictureOrFolder, const PlateOpenOptions& options, bool json) {
  const Plate plate = OpenPlateForCommand(pictureOrFolder, options);
  if (json) {
    PrintPlateJson(plate);
    return;
  }
  int included = 0;
  for (const WellRecord& well : plate.wells) included += well.state == 1 ? 1 : 0;

  std::cout << "Path:     " << plate.path << "\n"
            << "Prefix:   " << plate.prefix << "\n"
            << "Layout:   " << plate.layoutDescription << "\n"
            << "Bits:     " << plate.inputBits
            << (plate.inputBitsDetected ? " (detected)" : " (chosen)") << "\n"
            << "Measured: " << IsoDateText(plate.measurementDate) << "\n"
            << "Pixel:    "
            << (plate.pixelSize ? PixelSizeText(*plate.pixelSize)
                                : std::string("size not known (--pixel-size UM gives one)"))
            << "\n"
            << "Included: " << included << " of " << plate.format.wellCount() << " wells\n";
  if (plate.timePoints.size() > 1) {
    std::cout << "Time:     point " << plate.timePoint << " of " << plate.timePoints.size()
              << (plate.timeStamp.empty() ? "" : " (stamped " + plate.timeStamp + ")") << "\n";
  }
  for (const std::string& note : plate.notes) std::cout << "Note:     " << note << "\n";
  std::cout << "\n";
  const PlateFormat& format = plate.format;
  const bool twoLetterRows = format.rows() > 26;
  std::cout << (twoLetterRows ? "   " : "  ");
  for (int column = 1; column <= format.columns(); ++column) {
    std::cout << "    " << (column < 10 ? " " : "") << column;
  }
  std::cout << "\n";
  for (int row = 0; row < format.rows(); ++row) {
    const std::string name = RowName(row);
    std::cout << name << (twoLetterRows && name.size() == 1 ? "  " : " ");
    for (int column = 0; column < format.columns(); ++column) {
      const WellRecord& well = plate.wells[format.indexOf({row, column})];
      std::cout << " " << (well.state == 1 ? '+' : '-');
      for (QuarterColour quarter : well.quarter) std::cout << QuarterLetter(quarter);
    }
    std::cout << "\n";
  }
  std::cout
      << "\n+ included, - not included; fields 0 (lower left), 1 (lower right), 2 (upper right),\n"
         "3 (upper left): C blue and green, B blue only, G green only, . no picture\n";
}

const CommandRegistration kPlateCommand([](CLI::App& app, int& exitCode) {
  auto picture = std::make_shared<std::string>();
  auto options = std::make_shared<PlateOpenOptions>();
  auto json = std::make_shared<bool>(false);
  CLI::App* command = app.add_subcommand(
      "plate", "Show the plate of a picture or folder: folder, prefix, layout, date and plate map");
  command->add_option("PICTURE", *picture, "Any picture of the plate, or its folder")->required();
  AddPlateOpenOptions(*command, *options);
  command->add_flag("--json", *json, "Print the plate as one JSON object");
  command->callback([picture, options, json, &exitCode] {
    PrintPlate(*picture, *options, *json);
    exitCode = 0;
  });
});

}  // namespace
}  // namespace vembrel::cli
