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

/// Seconds of the time stamp an Incucyte-style picture name carries: elapsed
/// since the scan began, "<D>d<HH>h<MM>m" ("00d06h30m", days of 1 to 5
/// digits), or on the acquisition clock, "<YY>y<MM>m<DD>d_<HH>h<MM>m"
/// ("20y03m14d_10h30m", the year 20YY, or with four digits). Differences mean
/// something only between stamps of one form. None for any other text.
std::optional<double> NameTimeStampSeconds(std::string_view stamp);

/// The acquisition time the instrument wrote into a TIFF picture: the
/// MetaSeries description's "acquisition-time-local". None when not there or
/// not readable.
std::optional<double> TiffAcquisitionTime(const std::string& fileName);

/// The DateTime tag of a TIFF picture: when the file was made, which is the
/// acquisition only where the instrument wrote the file itself. None when not
/// there or not readable.
std::optional<double> TiffDateTime(const std::string& fileName);

/// The <AbsTime> a Harmony-style index file (Index.idx.xml in the picture's
/// folder) records for the picture; none without the file or the entry.
std::optional<double> IndexAcquisitionTime(const std::string& folder, const std::string& picture);

}  // namespace vembrel
