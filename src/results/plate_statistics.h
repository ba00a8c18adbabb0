#pragma once
// What the plate says through its map: the readouts of every well
// normalised to the controls, the plate's quality per readout (Z', robust
// Z', SSMD), each condition's statistics and each compound's dose-response
// curve. Pure functions of the map and the wells' results.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/plate_results.h"
#include "results/dose_response_fit.h"
#include "results/plate_map.h"

namespace vembrel {

/// The readouts, named as their columns of the wells table.
enum class Readout { Nuclei, CalculatedNuclei, AverageDistance, RadialShare };

/// nuclei, calculated_nuclei, average_distance, radial_share.
const char* ReadoutName(Readout readout);

/// The readouts of a comma-separated list of their names, in the list's
/// order, each once. Throws UsageError naming a name that is no readout.
std::vector<Readout> ParseReadouts(std::string_view list);

/// nuclei, calculated_nuclei, average_distance and, at cell level, radial_share.
std::vector<Readout> DefaultReadouts(bool cellLevel);

/// A well's value of a readout; none for radial_share without cell results.
std::optional<double> ReadoutValue(const WellResults& well, Readout readout);

/// n, mean, sample SD (n - 1), CV (SD / mean), median and median absolute
/// deviation (unscaled) of values; each none where it is undefined (no
/// value; SD and CV of one value; CV of mean 0).
struct Description {
  int n = 0;
  std::optional<double> mean, sd, cv, median, mad;
};
Description Describe(const std::vector<double>& values);

/// A plate's quality for one readout from its control wells' values.
struct ControlQuality {
  int nNegative = 0;
  int nPositive = 0;
  std::optional<double> meanNegative, sdNegative, meanPositive, sdPositive;
  std::optional<double> zPrime;        // 1 - 3 (SD+ + SD-) / |mean+ - mean-|
  std::optional<double> robustZPrime;  // the same with medians and MAD x 1.4826
  std::optional<double> ssmd;          // (mean- - mean+) / sqrt(SD-^2 + SD+^2)
  std::string verdict;                 // of Z': excellent, marginal, unusable; "" without it
  std::string note;                    // why a value is missing; "" when none is
};
ControlQuality QualityOfControls(const std::vector<double>& negatives,
                                 const std::vector<double>& positives);

/// excellent (>= 0.5), marginal (between 0 and 0.5) or unusable (<= 0).
const char* ZPrimeVerdict(double zPrime);

/// 100 x / mean(negative controls); none without negatives or with their mean 0.
std::optional<double> PercentOfControl(double value, const ControlQuality& quality);
/// 100 (mean- - x) / (mean- - mean+); none without both controls or with equal means.
std::optional<double> PercentInhibition(double value, const ControlQuality& quality);

/// A plate map applied to a plate's results.
struct MapRequest {
  MappedPlate map;
  std::vector<Readout> readouts;
  bool dropFlagged = false;  // leave wells with a quality note out of the statistics
};

struct ReadoutAnalysis {
  Readout readout{};
  /// Each well's value (none for wells without results or the readout),
  /// one per well of the plate.
  std::vector<std::optional<double>> values;
  std::vector<std::optional<double>> percentOfControl;
  std::vector<std::optional<double>> percentInhibition;
  ControlQuality quality;
};

struct ConditionRow {
  std::string condition;
  // What the condition's wells share; empty when they differ.
  std::optional<WellRole> role;
  std::string compound;
  std::optional<double> concentration;
  std::string unit;
  Readout readout{};
  Description description;
};

struct DoseResponseRow {
  std::string compound;
  std::string unit;  // the wells' unit when they share one
  Readout readout{};
  std::vector<double> concentrations;  // of each point, with values
  std::vector<double> values;
  DoseResponseFit fit;
};

struct PlateAnalysis {
  std::vector<ReadoutAnalysis> readouts;      // in the request's order
  std::vector<ConditionRow> conditions;       // by condition in plate order, then readout
  std::vector<DoseResponseRow> doseResponse;  // by compound in plate order, then readout
  std::vector<int> droppedWells;              // flagged wells left out (dropFlagged)
  bool hasControls = false;                   // the map names a control
};

/// The statistics take the wells with results that are not dropped; the
/// request's map is on the results' plate (MapOnPlate). Each
/// compound whose wells have a concentration (roles sample or unset) gets a
/// fit per readout, its replicates as separate points.
PlateAnalysis AnalysePlate(const MapRequest& request, const PlateResults& results);

}  // namespace vembrel
