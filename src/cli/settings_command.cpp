// vembrel settings FILE: checks a settings file and shows its values.
#include <iomanip>
#include <iostream>
#include <memory>

#include "cli/command.h"
#include "plate/settings_file.h"
#include "plate/settings_table.h"

namespace vembrel::cli {
namespace {

void PrintSettings(const std::string& path) {
  const AnalysisSettings settings = ReadSettingsFile(path);
  for (const SettingDescriptor& setting : AllSettings()) {
    std::cout << std::left << std::setw(17) << setting.key
              << SettingValueText(GetSetting(settings, setting.id)) << "\n";
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
