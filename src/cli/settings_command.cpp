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
  const CentralSettings s = ReadSettingsFile(path);
  const auto flag = [](bool value) { return std::string(value ? "TRUE" : "FALSE"); };
  const std::pair<const char*, std::string> values[] = {
      {"Cent_COG", std::to_string(s.Cent_COG)},
      {"Cent_COB", std::to_string(s.Cent_COB)},
      {"Cent_KFRG", flag(s.Cent_KFRG)},
      {"Cent_KFRb", flag(s.Cent_KFRb)},
      {"Cent_SB", std::to_string(s.Cent_SB)},
      {"Cent_SG", std::to_string(s.Cent_SG)},
      {"Cent_diam", std::to_string(s.Cent_diam)},
      {"Cent_LCG", std::to_string(s.Cent_LCG)},
      {"Cent_LCB", std::to_string(s.Cent_LCB)},
      {"Cent_MINS", std::to_string(s.Cent_MINS)},
      {"Cent_MAXS", std::to_string(s.Cent_MAXS)},
      {"Cent_RISI", std::to_string(s.Cent_RISI)},
      {"Cent_Cell_GCO", std::to_string(s.Cent_Cell_GCO)},
      {"Cent_Cell_Min", std::to_string(s.Cent_Cell_Min)},
      {"Cent_Cell_Max", std::to_string(s.Cent_Cell_Max)},
      {"Cent_Cell_Ratio", FloatToText(s.Cent_Cell_Ratio)},
      {"Cent_Cell_Coeff", FloatToText(s.Cent_Cell_Coeff)},
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
