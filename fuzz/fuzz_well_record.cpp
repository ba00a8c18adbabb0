// The well record reader on arbitrary bytes: it either gives a record whose
// values all lie within their ranges, which writes back to a record that
// reads as the same, or throws vembrel::Error naming the key; never anything
// else, and no conversion overflows (UndefinedBehaviorSanitizer watches).
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "core/error.h"
#include "engine/analysed_well.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto json = nlohmann::ordered_json::parse(data, data + size, nullptr, false);
  if (json.is_discarded()) return 0;
  vembrel::AnalysedWell record;
  try {
    record = vembrel::AnalysedWellFromJson(json);
  } catch (const vembrel::Error&) {
    return 0;
  }
  const vembrel::WellResults& r = record.results;
  if (r.well < 0 || r.well >= 96 || r.inputs.size() != 8 || r.nuclei < 0 ||
      r.nuclei > 1024 * 1024 || r.ring.radius < 1 || r.ring.radius > 1024) {
    std::abort();
  }
  const auto written = vembrel::AnalysedWellToJson(record);
  if (vembrel::AnalysedWellToJson(vembrel::AnalysedWellFromJson(written)) != written) std::abort();
  return 0;
}
