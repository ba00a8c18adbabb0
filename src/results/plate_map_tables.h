#pragma once
// The tables a plate map adds: the map's variables and the normalised
// readouts as columns of the wells table, and the conditions, plate
// quality and dose-response tables.
#include "results/plate_statistics.h"
#include "results/table.h"

namespace vembrel {

/// The map's analysis of the results, the readouts defaulting to those of
/// the level the plate was analysed at.
PlateAnalysis AnalyseMappedPlate(const MapRequest& request, const PlateResults& results,
                                 bool cellLevel);

/// Inserts after the wells table's "well" column: role, compound,
/// concentration, unit, condition, the map's other variables and, when the
/// map has controls, <readout>_percent_of_control and
/// <readout>_percent_inhibition of each readout. The table's rows are the
/// wells A01 to H12.
void AddMapColumns(Table& wells, const MappedPlate& map, const PlateAnalysis& analysis);

/// condition, role, compound, concentration, unit, readout, n, mean, sd,
/// cv, median, mad.
Table ConditionsTable(const PlateAnalysis& analysis);

/// readout, n_negative, n_positive, mean_negative, sd_negative,
/// mean_positive, sd_positive, z_prime, robust_z_prime, ssmd, verdict, note.
Table PlateQualityTable(const PlateAnalysis& analysis);

/// compound, readout, n_wells, n_concentrations, bottom, top, ic50, hill,
/// ic50_low, ic50_high, r_squared, rss, converged, flags (joined by ";").
/// A compound with too few concentrations has its curve's columns empty.
Table DoseResponseTable(const PlateAnalysis& analysis);

}  // namespace vembrel
