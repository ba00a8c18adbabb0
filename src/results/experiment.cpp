#include "results/experiment.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "core/error.h"
#include "core/text_file.h"
#include "engine/analysed_well.h"
#include "plate/well_names.h"
#include "results/plate_map_report.h"
#include "results/plate_map_tables.h"
#include "results/report_page.h"
#include "results/spreadsheet.h"

namespace vembrel {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

struct PlateRun {
  std::string folder;  // with a trailing separator
  std::string label;
  MapRequest request;
  PlateResults results;
  PlateAnalysis analysis;
};

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

PlateRun ReadRun(const std::string& folderArgument) {
  PlateRun run;
  run.folder = WithSeparator(folderArgument);
  std::vector<fs::path> manifests;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folderArgument, error)) {
    if (entry.is_regular_file() && entry.path().filename().string().ends_with("Vembrel_run.json"))
      manifests.push_back(entry.path());
  }
  if (error || manifests.size() != 1) {
    throw UsageError("The folder '" + folderArgument +
                     "' holds no single run manifest (*Vembrel_run.json): give the results "
                     "folder of one finished run of vembrel batch --plate-map");
  }
  const std::string manifestFile = manifests.front().string();
  try {
    const Json manifest = Json::parse(ReadWholeFile(manifestFile));
    if (!manifest.at("whole_plate").get<bool>()) {
      throw UsageError("'" + manifestFile +
                       "' is a part of a plate's run; put the parts "
                       "together with vembrel merge first");
    }
    if (!manifest.contains("plate_map")) {
      throw UsageError("The run of '" + manifestFile +
                       "' had no plate map; run it again with "
                       "--plate-map (or vembrel merge --plate-map)");
    }
    const Json& recorded = manifest.at("plate_map");
    run.request.map = ReadPlateMap(recorded.at("file").get<std::string>());
    if (run.request.map.fingerprint != recorded.at("xxh3").get<std::string>()) {
      throw UsageError("The plate map '" + run.request.map.file + "' changed since the run of '" +
                       manifestFile + "'; run the plate again with it");
    }
    std::string readouts;
    for (const Json& name : recorded.at("readouts"))
      readouts += (readouts.empty() ? "" : ",") + name.get<std::string>();
    run.request.readouts = ParseReadouts(readouts);
    run.request.dropFlagged = recorded.at("drop_flagged").get<bool>();
    const std::string prefix = manifest.at("plate").at("prefix").get<std::string>();
    run.label = prefix;
    if (!run.label.empty() && run.label.back() == '_') run.label.pop_back();
    const Json& open = manifest.at("plate").at("open");
    const int wellsPerPlate = open.contains("wells_per_plate")
                                  ? open.at("wells_per_plate").get<int>()
                                  : PlateFormat().wellCount();
    run.results = PlateResults(PlateFormat::FromWellsPerPlate(wellsPerPlate));
    run.request.map = MapOnPlate(std::move(run.request.map), run.results.format);
    for (const Json& name : manifest.at("wells").at("analysed")) {
      const int well = WellIndex(name.get<std::string>(), run.results.format);
      run.results.wells[well] =
          ReadAnalysedWell(
              AnalysedWellFileName(run.folder, prefix, WellName(well, run.results.format)))
              .results;
    }
  } catch (const Json::exception& e) {
    throw UsageError("Run manifest '" + manifestFile + "': " + e.what());
  } catch (const UsageError&) {
    throw;
  } catch (const Error& e) {
    throw UsageError(e.what());
  }
  run.analysis = AnalysePlate(run.request, run.results);
  return run;
}

// The statistics over all plates: each condition's and each compound's
// wells from every plate, by the readouts of the first plate.
PlateAnalysis Pooled(const std::vector<PlateRun>& runs) {
  PlateAnalysis pooled;
  std::vector<std::string> conditions, compounds;
  for (const PlateRun& run : runs) {
    for (const ConditionRow& row : run.analysis.conditions) {
      if (std::find(conditions.begin(), conditions.end(), row.condition) == conditions.end())
        conditions.push_back(row.condition);
    }
    for (const DoseResponseRow& row : run.analysis.doseResponse) {
      if (std::find(compounds.begin(), compounds.end(), row.compound) == compounds.end())
        compounds.push_back(row.compound);
    }
  }
  const std::vector<Readout>& readouts = runs.front().request.readouts;
  const auto readoutOf = [](const PlateRun& run, Readout readout) -> const ReadoutAnalysis* {
    for (const ReadoutAnalysis& r : run.analysis.readouts) {
      if (r.readout == readout) return &r;
    }
    return nullptr;
  };
  const auto dropped = [](const PlateRun& run, int well) {
    const auto& d = run.analysis.droppedWells;
    return std::find(d.begin(), d.end(), well) != d.end();
  };
  for (const std::string& condition : conditions) {
    for (const Readout readout : readouts) {
      ConditionRow pooledRow;
      pooledRow.condition = condition;
      pooledRow.readout = readout;
      bool first = true, same = true;
      std::vector<double> values;
      for (const PlateRun& run : runs) {
        for (const ConditionRow& row : run.analysis.conditions) {
          if (row.condition != condition || row.readout != readout) continue;
          if (first) {
            pooledRow.role = row.role;
            pooledRow.compound = row.compound;
            pooledRow.concentration = row.concentration;
            pooledRow.unit = row.unit;
            first = false;
          } else {
            same = same && row.role == pooledRow.role && row.compound == pooledRow.compound &&
                   row.concentration == pooledRow.concentration && row.unit == pooledRow.unit;
          }
        }
        const ReadoutAnalysis* r = readoutOf(run, readout);
        if (r == nullptr) continue;
        for (int w = 0; w < run.results.format.wellCount(); ++w) {
          if (run.request.map.wells[w].condition == condition && r->values[w] && !dropped(run, w))
            values.push_back(*r->values[w]);
        }
      }
      if (!same) {
        pooledRow.role.reset();
        pooledRow.compound.clear();
        pooledRow.concentration.reset();
        pooledRow.unit.clear();
      }
      pooledRow.description = Describe(values);
      pooled.conditions.push_back(std::move(pooledRow));
    }
  }
  for (const std::string& compound : compounds) {
    for (const Readout readout : readouts) {
      DoseResponseRow row;
      row.compound = compound;
      row.readout = readout;
      for (const PlateRun& run : runs) {
        for (const DoseResponseRow& plateRow : run.analysis.doseResponse) {
          if (plateRow.compound != compound || plateRow.readout != readout) continue;
          if (row.unit.empty()) row.unit = plateRow.unit;
          row.concentrations.insert(row.concentrations.end(), plateRow.concentrations.begin(),
                                    plateRow.concentrations.end());
          row.values.insert(row.values.end(), plateRow.values.begin(), plateRow.values.end());
        }
      }
      row.fit = FitDoseResponse(row.concentrations, row.values);
      pooled.doseResponse.push_back(std::move(row));
    }
  }
  return pooled;
}

// The same treatment (compound, concentration and unit; or the role of a
// well without a compound) under different condition names on different plates.
std::vector<std::string> NamingNotes(const std::vector<PlateRun>& runs) {
  std::map<std::string, std::vector<std::pair<std::string, std::string>>>
      names;  // key: (name, plate)
  std::vector<std::string> order;
  for (const PlateRun& run : runs) {
    for (const MappedWell& well : run.request.map.wells) {
      if (well.condition.empty()) continue;
      std::string key;
      if (!well.compound.empty()) {
        key = well.compound;
        if (well.concentration) key += " " + ExactDecimalText(*well.concentration);
        if (!well.unit.empty()) key += " " + well.unit;
      } else if (well.role) {
        key = WellRoleWord(*well.role);
      } else {
        continue;
      }
      auto& seen = names[key];
      if (seen.empty()) order.push_back(key);
      const bool known = std::any_of(seen.begin(), seen.end(), [&](const auto& entry) {
        return entry.first == well.condition;
      });
      if (!known) seen.emplace_back(well.condition, run.label);
    }
  }
  std::vector<std::string> notes;
  for (const std::string& key : order) {
    const auto& seen = names[key];
    if (seen.size() < 2) continue;
    std::string note = key + " is named";
    for (std::size_t i = 0; i < seen.size(); ++i) {
      note += std::string(i == 0                 ? " '"
                          : i + 1 == seen.size() ? " and '"
                                                 : ", '") +
              seen[i].first + "' on plate " + seen[i].second;
    }
    notes.push_back(note + "; its wells are not pooled under one condition");
  }
  return notes;
}

Table WithPlate(const Table& table, const std::string& plate) {
  Table labelled;
  labelled.columns = table.columns;
  labelled.columns.insert(labelled.columns.begin(), "plate");
  for (const auto& row : table.rows) {
    std::vector<TableValue> values = row;
    values.insert(values.begin(), plate);
    labelled.rows.push_back(std::move(values));
  }
  return labelled;
}

void Append(Table& to, const Table& from) {
  if (to.columns.empty()) to.columns = from.columns;
  to.rows.insert(to.rows.end(), from.rows.begin(), from.rows.end());
}

std::string ExperimentPage(const std::vector<PlateRun>& runs, const PlateAnalysis& pooled,
                           const std::vector<std::string>& notes) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Vembrel experiment</title>\n<style>" +
      ReportStyle(true) + "</style>\n</head>\n<body>\n<h1>Vembrel experiment</h1>\n";
  html +=
      "<h2>Plates</h2>\n<table id=\"plates\">\n<thead><tr><th>Plate</th><th>Results</th>"
      "<th>Plate map</th></tr></thead>\n<tbody>\n";
  for (const PlateRun& run : runs) {
    html += "<tr><td>" + HtmlEscaped(run.label) + "</td><td>" + HtmlEscaped(run.folder) +
            "</td><td>" + HtmlEscaped(run.request.map.file) + "</td></tr>\n";
  }
  html += "</tbody>\n</table>\n";
  if (!notes.empty()) {
    html += "<h2>Conditions named differently</h2>\n<ul id=\"naming\">\n";
    for (const std::string& note : notes) html += "<li>" + HtmlEscaped(note) + "</li>\n";
    html += "</ul>\n";
  }
  html +=
      "<h2>Plate quality</h2>\n<table id=\"plate-quality\">\n<thead><tr><th>Plate</th>"
      "<th>Readout</th><th>Negative controls</th><th>Positive controls</th><th>Z&#8242;</th>"
      "<th>Robust Z&#8242;</th><th>SSMD</th><th>Verdict</th><th>Note</th></tr></thead>\n"
      "<tbody>\n";
  const auto number = [](const std::optional<double>& value) {
    return "<td class=\"number\">" + (value ? ExactDecimalText(*value) : std::string()) + "</td>";
  };
  for (const PlateRun& run : runs) {
    for (const ReadoutAnalysis& r : run.analysis.readouts) {
      const ControlQuality& q = r.quality;
      html += "<tr><td>" + HtmlEscaped(run.label) + "</td><td>" + ReadoutName(r.readout) +
              "</td><td class=\"number\">" + std::to_string(q.nNegative) +
              "</td><td class=\"number\">" + std::to_string(q.nPositive) + "</td>" +
              number(q.zPrime) + number(q.robustZPrime) + number(q.ssmd) + "<td class=\"verdict " +
              q.verdict + "\">" + q.verdict + "</td><td>" + HtmlEscaped(q.note) + "</td></tr>\n";
    }
  }
  html += "</tbody>\n</table>\n";
  if (!pooled.doseResponse.empty()) {
    html += "<h2>Dose response over all plates</h2>\n" + DoseResponseCharts(pooled.doseResponse);
  }
  return html + "</body>\n</html>\n";
}

}  // namespace

ExperimentReport PoolExperiment(const std::vector<std::string>& runFolders,
                                const std::string& resultsFolder, bool workbook) {
  if (runFolders.empty()) throw UsageError("No plate run to pool");
  std::vector<PlateRun> runs;
  for (const std::string& folder : runFolders) runs.push_back(ReadRun(folder));
  // Plates of the same name keep apart by their place in the list.
  for (std::size_t i = 0; i < runs.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (runs[j].label == runs[i].label) runs[i].label += "#" + std::to_string(i + 1);
    }
  }
  ExperimentReport report;
  for (const PlateRun& run : runs) report.plates.push_back(run.label);
  report.namingNotes = NamingNotes(runs);
  const PlateAnalysis pooled = Pooled(runs);

  Table quality, conditions, doseResponse;
  for (const PlateRun& run : runs) {
    Append(quality, WithPlate(PlateQualityTable(run.analysis), run.label));
    Append(conditions, WithPlate(ConditionsTable(run.analysis), run.label));
    Append(doseResponse, WithPlate(DoseResponseTable(run.analysis), run.label));
  }
  Append(conditions, WithPlate(ConditionsTable(pooled), "all"));
  Append(doseResponse, WithPlate(DoseResponseTable(pooled), "all"));

  const std::string out = WithSeparator(resultsFolder);
  CreateFolders(out);
  const auto write = [&](const std::string& name, const std::string& text) {
    WriteFileAtomically(out + name, text);
    report.files.push_back(out + name);
  };
  write("Vembrel_experiment_plate_quality.csv", CsvText(quality));
  write("Vembrel_experiment_conditions.csv", CsvText(conditions));
  write("Vembrel_experiment_dose_response.csv", CsvText(doseResponse));
  if (workbook) {
    WorkbookExtras extras;
    extras.summarySheet = false;
    extras.sheets = {
        {"Plate quality", &quality}, {"Conditions", &conditions}, {"Dose response", &doseResponse}};
    extras.created = 315532800;  // its bytes depend on the tables alone
    WriteWorkbook(out + "Vembrel_experiment.xlsx", {}, extras);
    report.files.push_back(out + "Vembrel_experiment.xlsx");
  }
  write("Vembrel_experiment_report.html", ExperimentPage(runs, pooled, report.namingNotes));
  return report;
}

}  // namespace vembrel
