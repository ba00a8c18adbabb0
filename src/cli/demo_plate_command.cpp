// vembrel demo-plate DIR [--seed N]: writes a generated demo plate.
#include <iostream>
#include <memory>

#include "cli/command.h"
#include "cli/plate_options.h"
#include "demo/demo_plate.h"
#include "plate/well_names.h"

namespace vembrel::cli {
namespace {

struct DemoPlateOptions {
  std::string folder;
  std::uint32_t seed = 1;
  std::optional<PlateFormat> format;
};

const CommandRegistration kDemoPlateCommand([](CLI::App& app, int& exitCode) {
  auto options = std::make_shared<DemoPlateOptions>();
  CLI::App* command = app.add_subcommand(
      "demo-plate",
      "Write a demo plate: 96 wells (or --wells-per-plate N) x 4 fields x 2 channels of 512 x "
      "512 TIFFs");
  command->add_option("DIR", options->folder, "Folder to write the pictures into")->required();
  command->add_option("--seed", options->seed, "Seed of the generator (same seed, same plate)")
      ->capture_default_str();
  AddWellsPerPlateOption(*command, options->format);
  command->callback([options, &exitCode] {
    const PlateFormat format = options->format.value_or(PlateFormat());
    WriteDemoPlate(options->folder, options->seed, {}, format);
    std::cout << "Demo plate (seed " << options->seed << ") written to " << options->folder
              << ", pictures named " << kDemoPrefix << "A01f00d0.tif .. " << kDemoPrefix
              << WellName(format.wellCount() - 1, format) << "f03d1.tif\n";
    exitCode = 0;
  });
});

}  // namespace
}  // namespace vembrel::cli
