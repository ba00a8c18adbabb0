// vembrel settings FILE: checks a settings file and shows its values.
#include <iomanip>
#include <iostream>
#include <memory>

#include "cli/command.h"
#include "core/convert.h"
#include "plate/settings_file.h"

namespace vembrel::cli {
namespace {

void PrintSettings(const std::string& path) {
  const AnalysisSettings s = ReadSettingsFile(path);
  const auto flag = [](bool value) { return std::string(value ? "TRUE" : "FALSE"); };
  const std::pair<const char*, std::string> values[] = {
      {"Cent_COG", std::to_string(s.display.green.cutoff)},
      {"Cent_COB", std::to_string(s.display.blue.cutoff)},
      {"Cent_KFRG", flag(s.display.green.fullRange)},
      {"Cent_KFRb", flag(s.display.blue.fullRange)},
      {"Cent_SB", std::to_string(s.display.blue.saturation)},
      {"Cent_SG", std::to_string(s.display.green.saturation)},
      {"Cent_diam", std::to_string(s.ring.radius)},
      {"Cent_LCG", std::to_string(s.nuclei.greenCutoff)},
      {"Cent_LCB", std::to_string(s.nuclei.blueCutoff)},
      {"Cent_MINS", std::to_string(s.nuclei.minimalSize)},
      {"Cent_MAXS", std::to_string(s.nuclei.maximalSize)},
      {"Cent_RISI", std::to_string(s.ring.increment)},
      {"Cent_Cell_GCO", std::to_string(s.cells.greenCutoff)},
      {"Cent_Cell_Min", std::to_string(s.cells.minimalSize)},
      {"Cent_Cell_Max", std::to_string(s.cells.maximalSize)},
      {"Cent_Cell_Ratio", FloatToText(s.cells.lengthRatio)},
      {"Cent_Cell_Coeff", FloatToText(s.cells.smoothness)},
  };
  for (const auto& [key, value] : values) {
    std::cout << std::left << std::setw(17) << key << value << "\n";
  }
}

const CommandRegistration kSettingsCommand([](CLI::App& app, int& exitCode) {
  auto path = std::make_shared<std::string>();
  CLI::App* command =
      app.add_subcommand("settings", "Check a settings file (.VLS) and show its 17 values");
  command->add_option("FILE", *path, "Settings file")->required();
  command->callback([path, &exitCode] {
    PrintSettings(*path);
    exitCode = 0;
  });
});

}  // namespace
}  // namespace vembrel::cli
