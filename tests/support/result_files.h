#pragma once
// The files of a results folder as a map, with what differs from run to run
// masked: the analysis date of the text files, and the times and command
// line in the run manifest and the report page. Two runs that wrote the same
// results compare equal.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vembrel::testing {

std::map<std::string, std::string> ResultFiles(const std::filesystem::path& folder);

/// Members of a zip archive (a workbook's sheets, say), read with the unzip
/// program; member may be a wildcard such as 'xl/worksheets/*.xml'.
std::string Unzipped(const std::filesystem::path& archive, const std::string& member);

/// The fields of a comma-separated line without quoted fields.
std::vector<std::string> CsvFields(const std::string& line);
/// Rows of a comma-separated table without quoted fields, by the header's
/// names; fails where a row has another number of fields than the header.
std::vector<std::map<std::string, std::string>> ReadCsvRows(const std::filesystem::path& path);

/// Fails (naming the file) where the two maps differ.
void ExpectSameFiles(const std::map<std::string, std::string>& actual,
                     const std::map<std::string, std::string>& expected);

}  // namespace vembrel::testing
