// `vembrel demo [DIR]`: writes the demo plate into DIR (a fresh temporary
// folder by default) unless it is there already, runs the batch over it at
// cell level and says where the results are.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/batch_runner.h"
#include "cli/command.h"
#include "core/text_file.h"
#include "demo/demo_plate.h"

namespace vembrel::cli {
namespace {

constexpr std::uint32_t kDemoSeed = 1;

std::string FreshTemporaryFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vembrel-demo-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw Error("Unable to create a temporary folder in '" +
                std::filesystem::temp_directory_path().string() + "'");
  return pattern;
}

int RunDemo(std::string folder, int& exitCode) {
  if (folder.empty()) folder = FreshTemporaryFolder();
  // Pictures in a folder of their own, so the results land in DIR itself.
  const std::filesystem::path pictures = std::filesystem::path(folder) / "pictures";
  const std::filesystem::path first = pictures / "DEMO_A01f00d0.tif";
  std::error_code error;
  if (!std::filesystem::exists(first, error)) {
    CreateFolders(pictures.string());
    std::cout << "Writing the demo plate into " << pictures.string() << "/\n";
    WriteDemoPlate(pictures.string(), kDemoSeed);
  }
  BatchOptions options;
  options.picture = first.string();
  options.cells = true;
  RunBatchCommandWithExitCode(options, std::cout, exitCode);
  const std::string results = std::filesystem::absolute(folder, error).lexically_normal().string();
  std::cout << "Results are in " << results << "/\n";
  return exitCode;
}

const CommandRegistration kDemoCommand([](CLI::App& app, int& exitCode) {
  auto folder = std::make_shared<std::string>();
  CLI::App* command =
      app.add_subcommand("demo", "Write the demo plate and run the batch on it at cell level");
  command->add_option(
      "dir", *folder,
      "Folder for the demo plate and its results (default: a new temporary folder)");
  command->callback([folder, &exitCode] { RunDemo(*folder, exitCode); });
});

}  // namespace
}  // namespace vembrel::cli
