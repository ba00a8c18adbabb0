// vembrel settings FILE: checks a settings file and shows its values.
#include <iomanip>
#include <iostream>
#include <memory>

#include "cli/command.h"
#include "core/error.h"
#include "plate/setting_explanations.h"
#include "plate/settings_file.h"
#include "plate/settings_table.h"
#include "results/measure_table.h"

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
  auto explain = std::make_shared<bool>(false);
  CLI::App* command = app.add_subcommand(
      "settings", "Check a settings file (.VLS) and show its 17 values, or explain the settings");
  CLI::Option* file = command->add_option("FILE", *path, "Settings file");
  command
      ->add_flag("--explain", *explain,
                 "Print every setting with its unit, range, default and effect (Markdown)")
      ->excludes(file);
  command->callback([path, explain, &exitCode] {
    if (*explain) {
      std::cout << SettingsReferenceMarkdown();
    } else if (path->empty()) {
      throw UsageError("settings: give a settings FILE to check, or --explain");
    } else {
      PrintSettings(*path);
    }
    exitCode = 0;
  });
});

const CommandRegistration kMeasuresCommand([](CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand(
      "measures", "Print every measure of the tables with its unit, range and definition");
  command->callback([&exitCode] {
    std::cout << MeasuresReferenceMarkdown();
    exitCode = 0;
  });
});

}  // namespace
}  // namespace vembrel::cli
