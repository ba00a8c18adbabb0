#pragma once
// The rings file: the rings a person reviewed (or the fit placed) per well,
// kept in the results folder as "<prefix>Vembrel_rings.csv" with the columns
// well,x,y,radius,source,time. x is the centre's column from the left and y
// its row counted from the bottom of the 1024 x 1024 mosaic, as the ring is
// given everywhere else (tables, well --json); source is "reviewed" or
// "fitted"; time is ISO 8601. A batch analyses a well with a reviewed ring
// at that ring instead of fitting one.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/plate_results.h"
#include "engine/well_results.h"
#include "engine/well_session.h"

namespace vembrel {

enum class RingSource { Reviewed, Fitted };

/// "reviewed" or "fitted".
const char* RingSourceName(RingSource source);
/// A request's ring source for rings held from a time course's first time point.
inline constexpr const char* kHeldRingSource = "held";

struct RingEntry {
  Ring ring;
  RingSource source = RingSource::Reviewed;
  std::string time;  // ISO 8601
};

/// The rings of a plate by well, and the file they came from.
struct RingsFile {
  /// No rings, for a plate of the format.
  explicit RingsFile(std::string filePath = {}, const PlateFormat& plateFormat = {})
      : path(std::move(filePath)),
        format(plateFormat),
        wells(static_cast<std::size_t>(plateFormat.wellCount())) {}

  std::string path;
  PlateFormat format;
  std::vector<std::optional<RingEntry>> wells;  // one per well of the format

  /// The reviewed ring of a well, if it has one.
  std::optional<Ring> reviewed(int well) const;
  int reviewedCount() const;
};

/// results folder + plate prefix + "Vembrel_rings.csv".
std::string RingsFileName(const std::string& resultsFolder, const std::string& platePrefix);

/// Reads a rings file strictly: the header, then one line per well with
/// whole numbers, a known well at most once, a ring on the mosaic, a known
/// source and a time. Throws UsageError naming the file, the line and the
/// value at fault.
RingsFile ReadRingsFile(const std::string& path, const PlateFormat& format = {});

/// The file's text: the header and the wells in plate order.
std::string RingsFileText(const RingsFile& rings);

/// Replaces the file by a complete new one (synced).
void WriteRingsFile(const RingsFile& rings);

/// Keeps one well's ring in the rings file at path (made when missing),
/// replacing any entry the well had, with the current time. Throws Error
/// when the file cannot be read (a damaged file is left as it is) or
/// written, or the ring lies off the mosaic.
void SaveRing(const std::string& path, int well, const Ring& ring, RingSource source,
              const PlateFormat& format = {});

}  // namespace vembrel
