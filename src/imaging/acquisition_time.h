#pragma once
// When a picture was taken, as instruments record it: the time course takes
// the hours between its time points from these when --hours does not give them.
#include <optional>
#include <string>
#include <string_view>

namespace vembrel {

/// Seconds on the acquisition clock (days since 1970-01-01 x 86400 plus the
/// time of day, the zone offset removed when one is given); only differences
/// mean anything. Reads "YYYY:MM:DD HH:MM:SS" (TIFF DateTime), "YYYYMMDD
/// HH:MM:SS[.fff]" (MetaSeries) and ISO 8601 "YYYY-MM-DDTHH:MM:SS[.f][Z|+hh:mm]".
std::optional<double> ParseAcquisitionTime(std::string_view text);

/// The acquisition time of a TIFF picture: the MetaSeries description's
/// "acquisition-time-local", else the DateTime tag. None when neither is
/// there or readable.
std::optional<double> TiffAcquisitionTime(const std::string& fileName);

/// The <AbsTime> a Harmony-style index file (Index.idx.xml in the picture's
/// folder) records for the picture; none without the file or the entry.
std::optional<double> IndexAcquisitionTime(const std::string& folder, const std::string& picture);

}  // namespace vembrel
