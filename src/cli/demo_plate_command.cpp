// vembrel demo-plate DIR [--seed N]: writes a generated demo plate.
#include <iostream>
#include <memory>

#include "cli/command.h"
#include "demo/demo_plate.h"

namespace vembrel::cli {
namespace {

struct DemoPlateOptions {
  std::string folder;
  std::uint32_t seed = 1;
};

const CommandRegistration kDemoPlateCommand([](CLI::App& app, int& exitCode) {
  auto options = std::make_shared<DemoPlateOptions>();
  CLI::App* command = app.add_subcommand(
      "demo-plate", "Write a demo plate: 96 wells x 4 fields x 2 channels of 512 x 512 TIFFs");
  command->add_option("DIR", options->folder, "Folder to write the pictures into")->required();
  command->add_option("--seed", options->seed, "Seed of the generator (same seed, same plate)")
      ->capture_default_str();
  command->callback([options, &exitCode] {
    WriteDemoPlate(options->folder, options->seed);
    std::cout << "Demo plate (seed " << options->seed << ") written to " << options->folder
              << ", pictures named " << kDemoPrefix << "A01f00d0.tif .. " << kDemoPrefix
              << "H12f03d1.tif\n";
    exitCode = 0;
  });
});

}  // namespace
}  // namespace vembrel::cli
