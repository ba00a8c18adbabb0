// vembrel plate PICTURE: the plate a picture belongs to, and its plate map.
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/command.h"
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

void PrintPlate(const std::string& picture) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(picture, error)) {
    throw Error("Picture '" + picture + "' does not exist");
  }
  const Plate plate = OpenPlate(picture);
  int included = 0;
  for (const WellRecord& well : plate.wells) included += well.state == 1 ? 1 : 0;

  std::cout << "Path:     " << plate.path << "\n"
            << "Prefix:   " << plate.prefix << "\n"
            << "Measured: " << ShortDateText(plate.measurementDate) << "\n"
            << "Included: " << included << " of 96 wells\n\n";
  std::cout << "  ";
  for (int column = 1; column <= 12; ++column) {
    std::cout << "    " << (column < 10 ? " " : "") << column;
  }
  std::cout << "\n";
  for (int row = 0; row < 8; ++row) {
    std::cout << static_cast<char>('A' + row) << " ";
    for (int column = 0; column < 12; ++column) {
      const WellRecord& well = plate.wells[row * 12 + column];
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
  CLI::App* command = app.add_subcommand(
      "plate", "Show the plate of a picture: folder, prefix, date and plate map");
  command->add_option("PICTURE", *picture, "Any picture of the plate")->required();
  command->callback([picture, &exitCode] {
    PrintPlate(*picture);
    exitCode = 0;
  });
});

}  // namespace
}  // namespace vembrel::cli
