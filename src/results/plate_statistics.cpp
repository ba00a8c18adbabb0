#include "results/plate_statistics.h"

#include <algorithm>
#include <cmath>

#include "core/error.h"
#include "imaging/cell_shape.h"

namespace vembrel {
namespace {

constexpr std::array<Readout, 4> kReadouts = {Readout::Nuclei, Readout::CalculatedNuclei,
                                              Readout::AverageDistance, Readout::RadialShare};

// The median absolute deviation scaled to the SD of normally distributed values.
constexpr double kMadToSd = 1.4826;

double Mean(const std::vector<double>& values) {
  double sum = 0;
  for (const double v : values) sum += v;
  return sum / static_cast<double>(values.size());
}

double SampleSd(const std::vector<double>& values, double mean) {
  double sum = 0;
  for (const double v : values) sum += (v - mean) * (v - mean);
  return std::sqrt(sum / static_cast<double>(values.size() - 1));
}

double Mad(const std::vector<double>& values, double median) {
  std::vector<double> deviations;
  deviations.reserve(values.size());
  for (const double v : values) deviations.push_back(std::abs(v - median));
  return Median(std::move(deviations));
}

// A value all the wells share, or none when they differ.
template <typename T>
struct Shared {
  std::optional<T> value;
  bool differs = false;
  void take(const T& next) {
    if (!value) {
      value = next;
    } else if (!(*value == next)) {
      differs = true;
    }
  }
  std::optional<T> result() const { return differs ? std::nullopt : value; }
};

}  // namespace

const char* ReadoutName(Readout readout) {
  static const char* const kNames[] = {"nuclei", "calculated_nuclei", "average_distance",
                                       "radial_share"};
  return kNames[static_cast<int>(readout)];
}

std::vector<Readout> ParseReadouts(std::string_view list) {
  std::vector<Readout> readouts;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string_view name = list.substr(start, comma - start);
    const auto found = std::find_if(kReadouts.begin(), kReadouts.end(),
                                    [&](Readout r) { return name == ReadoutName(r); });
    if (found == kReadouts.end()) {
      throw UsageError("'" + std::string(name) + "' in the readouts '" + std::string(list) +
                       "' is no readout: nuclei, calculated_nuclei, average_distance or "
                       "radial_share");
    }
    if (std::find(readouts.begin(), readouts.end(), *found) == readouts.end())
      readouts.push_back(*found);
    start = comma + 1;
  }
  return readouts;
}

std::vector<Readout> DefaultReadouts(bool cellLevel) {
  std::vector<Readout> readouts{Readout::Nuclei, Readout::CalculatedNuclei,
                                Readout::AverageDistance};
  if (cellLevel) readouts.push_back(Readout::RadialShare);
  return readouts;
}

std::optional<double> ReadoutValue(const WellResults& well, Readout readout) {
  switch (readout) {
    case Readout::Nuclei:
      return static_cast<double>(well.nuclei);
    case Readout::CalculatedNuclei:
      return static_cast<double>(well.calculatedNuclei);
    case Readout::AverageDistance:
      return static_cast<double>(well.averageDistance);
    case Readout::RadialShare:
      if (well.cells && well.cells->statistics.gauge) return *well.cells->statistics.gauge;
      return std::nullopt;
  }
  return std::nullopt;
}

Description Describe(const std::vector<double>& values) {
  Description d;
  d.n = static_cast<int>(values.size());
  if (d.n == 0) return d;
  d.mean = Mean(values);
  d.median = Median(values);
  d.mad = Mad(values, *d.median);
  if (d.n >= 2) {
    d.sd = SampleSd(values, *d.mean);
    if (*d.mean != 0) d.cv = *d.sd / *d.mean;
  }
  return d;
}

const char* ZPrimeVerdict(double zPrime) {
  if (zPrime >= 0.5) return "excellent";
  if (zPrime > 0) return "marginal";
  return "unusable";
}

ControlQuality QualityOfControls(const std::vector<double>& negatives,
                                 const std::vector<double>& positives) {
  ControlQuality q;
  q.nNegative = static_cast<int>(negatives.size());
  q.nPositive = static_cast<int>(positives.size());
  std::vector<std::string> notes;
  if (q.nNegative >= 1) q.meanNegative = Mean(negatives);
  if (q.nPositive >= 1) q.meanPositive = Mean(positives);
  if (q.nNegative >= 2) q.sdNegative = SampleSd(negatives, *q.meanNegative);
  if (q.nPositive >= 2) q.sdPositive = SampleSd(positives, *q.meanPositive);
  if (q.nNegative < 2) {
    notes.push_back("fewer than 2 negative controls (" + std::to_string(q.nNegative) + ")");
  }
  if (q.nPositive < 2) {
    notes.push_back("fewer than 2 positive controls (" + std::to_string(q.nPositive) + ")");
  }
  if (notes.empty()) {
    const double separation = std::abs(*q.meanPositive - *q.meanNegative);
    if (separation > 0) {
      q.zPrime = 1 - 3 * (*q.sdPositive + *q.sdNegative) / separation;
      q.verdict = ZPrimeVerdict(*q.zPrime);
    } else {
      notes.emplace_back("the controls' means are equal: no Z'");
    }
    const double medianNegative = Median(negatives);
    const double medianPositive = Median(positives);
    const double robustSeparation = std::abs(medianPositive - medianNegative);
    if (robustSeparation > 0) {
      q.robustZPrime = 1 - 3 *
                               (kMadToSd * Mad(positives, medianPositive) +
                                kMadToSd * Mad(negatives, medianNegative)) /
                               robustSeparation;
    } else {
      notes.emplace_back("the controls' medians are equal: no robust Z'");
    }
    const double spread = std::sqrt(*q.sdNegative * *q.sdNegative + *q.sdPositive * *q.sdPositive);
    if (spread > 0) {
      q.ssmd = (*q.meanNegative - *q.meanPositive) / spread;
    } else {
      notes.emplace_back("neither control varies: no SSMD");
    }
  }
  for (const std::string& note : notes) q.note += (q.note.empty() ? "" : "; ") + note;
  return q;
}

std::optional<double> PercentOfControl(double value, const ControlQuality& quality) {
  if (!quality.meanNegative || *quality.meanNegative == 0) return std::nullopt;
  return 100 * value / *quality.meanNegative;
}

std::optional<double> PercentInhibition(double value, const ControlQuality& quality) {
  if (!quality.meanNegative || !quality.meanPositive) return std::nullopt;
  const double range = *quality.meanNegative - *quality.meanPositive;
  if (range == 0) return std::nullopt;
  return 100 * (*quality.meanNegative - value) / range;
}

PlateAnalysis AnalysePlate(const MapRequest& request, const PlateResults& results) {
  // A map read for another plate is put on this one (or refused naming both).
  std::optional<MappedPlate> placed;
  if (request.map.format != results.format) placed = MapOnPlate(request.map, results.format);
  const MappedPlate& map = placed ? *placed : request.map;
  PlateAnalysis analysis;
  analysis.hasControls = map.hasControls();
  const int wellCount = results.format.wellCount();
  std::vector<bool> kept(static_cast<std::size_t>(wellCount), false);
  for (int w = 0; w < wellCount; ++w) {
    const auto& well = results.wells[w];
    if (!well) continue;
    if (request.dropFlagged && !well->quality.empty()) {
      analysis.droppedWells.push_back(w);
    } else {
      kept[w] = true;
    }
  }
  for (const Readout readout : request.readouts) {
    ReadoutAnalysis& r = analysis.readouts.emplace_back();
    r.readout = readout;
    r.values.resize(kept.size());
    r.percentOfControl.resize(kept.size());
    r.percentInhibition.resize(kept.size());
    std::vector<double> negatives, positives;
    for (int w = 0; w < wellCount; ++w) {
      if (!results.wells[w]) continue;
      r.values[w] = ReadoutValue(*results.wells[w], readout);
      if (!r.values[w] || !kept[w]) continue;
      if (map.wells[w].role == WellRole::NegativeControl) negatives.push_back(*r.values[w]);
      if (map.wells[w].role == WellRole::PositiveControl) positives.push_back(*r.values[w]);
    }
    r.quality = QualityOfControls(negatives, positives);
    for (int w = 0; w < wellCount; ++w) {
      if (!r.values[w]) continue;
      r.percentOfControl[w] = PercentOfControl(*r.values[w], r.quality);
      r.percentInhibition[w] = PercentInhibition(*r.values[w], r.quality);
    }
  }

  // Conditions in the order their first well comes on the plate.
  std::vector<std::string> conditions;
  std::vector<std::string> compounds;
  for (const MappedWell& well : map.wells) {
    if (!well.condition.empty() &&
        std::find(conditions.begin(), conditions.end(), well.condition) == conditions.end()) {
      conditions.push_back(well.condition);
    }
    const bool dosed = !well.compound.empty() && well.concentration &&
                       (!well.role || well.role == WellRole::Sample);
    if (dosed && std::find(compounds.begin(), compounds.end(), well.compound) == compounds.end()) {
      compounds.push_back(well.compound);
    }
  }
  for (const std::string& condition : conditions) {
    Shared<std::optional<WellRole>> role;
    Shared<std::string> compound, unit;
    Shared<std::optional<double>> concentration;
    for (const MappedWell& well : map.wells) {
      if (well.condition != condition) continue;
      role.take(well.role);
      compound.take(well.compound);
      concentration.take(well.concentration);
      unit.take(well.unit);
    }
    for (const ReadoutAnalysis& r : analysis.readouts) {
      ConditionRow row;
      row.condition = condition;
      if (const auto shared = role.result()) row.role = *shared;
      row.compound = compound.result().value_or("");
      if (const auto shared = concentration.result()) row.concentration = *shared;
      row.unit = unit.result().value_or("");
      row.readout = r.readout;
      std::vector<double> values;
      for (int w = 0; w < wellCount; ++w) {
        if (map.wells[w].condition == condition && kept[w] && r.values[w])
          values.push_back(*r.values[w]);
      }
      row.description = Describe(values);
      analysis.conditions.push_back(std::move(row));
    }
  }

  for (const std::string& compound : compounds) {
    Shared<std::string> unit;
    for (const MappedWell& well : map.wells) {
      if (well.compound == compound && well.concentration) unit.take(well.unit);
    }
    for (const ReadoutAnalysis& r : analysis.readouts) {
      DoseResponseRow row;
      row.compound = compound;
      row.unit = unit.result().value_or("");
      row.readout = r.readout;
      for (int w = 0; w < wellCount; ++w) {
        const MappedWell& well = map.wells[w];
        const bool dosed = well.compound == compound && well.concentration &&
                           (!well.role || well.role == WellRole::Sample);
        if (dosed && kept[w] && r.values[w]) {
          row.concentrations.push_back(*well.concentration);
          row.values.push_back(*r.values[w]);
        }
      }
      row.fit = FitDoseResponse(row.concentrations, row.values);
      analysis.doseResponse.push_back(std::move(row));
    }
  }
  return analysis;
}

}  // namespace vembrel
