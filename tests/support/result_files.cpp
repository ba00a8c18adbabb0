#include "support/result_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <regex>
#include <vector>

#include "core/text_file.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

std::string MaskedText(std::string bytes) {
  static const std::regex date("(Vembrel analysis: )[^\\r\\n]*");
  return std::regex_replace(bytes, date, "$1<date>");
}

std::string MaskedManifest(const std::string& bytes) {
  nlohmann::ordered_json manifest = nlohmann::ordered_json::parse(bytes);
  for (const char* key : {"command_line", "started", "ended", "seconds"}) manifest[key] = "<run>";
  return manifest.dump(1);
}

std::string MaskedReport(const std::string& bytes) {
  static const std::regex facts("(<th>(Command line|Started|Ended)</th><td>)[^<]*");
  return std::regex_replace(bytes, facts, "$1<run>");
}

}  // namespace

std::string Unzipped(const fs::path& archive, const std::string& member) {
  std::string bytes;
  const std::string command = "unzip -p '" + archive.string() + "' '" + member + "'";
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
      bytes.append(buffer, n);
    }
    pclose(pipe);
  }
  return bytes;
}

std::map<std::string, std::string> ResultFiles(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file() || entry.path().filename() == ".vembrel.lock") continue;
    const std::string name = fs::relative(entry.path(), folder).string();
    std::string bytes = ReadFile(entry.path());
    if (name.ends_with("_run.json")) {
      bytes = MaskedManifest(bytes);
    } else if (name.ends_with("_report.html")) {
      bytes = MaskedReport(bytes);
    } else if (entry.path().extension() == ".csv") {
      bytes = MaskedText(bytes);
    }
    files[name] = std::move(bytes);
  }
  return files;
}

void ExpectSameFiles(const std::map<std::string, std::string>& actual,
                     const std::map<std::string, std::string>& expected) {
  std::vector<std::string> actualNames, expectedNames;
  for (const auto& [name, bytes] : actual) actualNames.push_back(name);
  for (const auto& [name, bytes] : expected) expectedNames.push_back(name);
  ASSERT_EQ(actualNames, expectedNames) << "files left over or missing";
  for (const auto& [name, bytes] : expected) {
    EXPECT_TRUE(actual.at(name) == bytes) << name << " differs";
  }
}

std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields{""};
  for (const char ch : line) {
    if (ch == ',') {
      fields.emplace_back();
    } else {
      fields.back().push_back(ch);
    }
  }
  return fields;
}

std::vector<std::map<std::string, std::string>> ReadCsvRows(const fs::path& path) {
  const std::vector<std::string> lines = SplitLines(ReadFile(path));
  std::vector<std::map<std::string, std::string>> rows;
  if (lines.empty()) return rows;
  const std::vector<std::string> header = CsvFields(lines[0]);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const std::vector<std::string> fields = CsvFields(lines[i]);
    EXPECT_EQ(fields.size(), header.size()) << path << " line " << i + 1;
    std::map<std::string, std::string>& row = rows.emplace_back();
    for (std::size_t c = 0; c < header.size() && c < fields.size(); ++c) row[header[c]] = fields[c];
  }
  return rows;
}

}  // namespace vembrel::testing
