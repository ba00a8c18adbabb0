// The run manifest reader on arbitrary bytes: it either gives facts within
// their ranges (bits, plane, dates the date texts take, well indexes) or
// throws vembrel::Error naming the key; never anything else.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "core/date_text.h"
#include "core/error.h"
#include "results/run_manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto json = nlohmann::ordered_json::parse(data, data + size, nullptr, false);
  if (json.is_discarded()) return 0;
  vembrel::RunManifestFacts facts;
  try {
    facts = vembrel::ReadRunManifestFacts(json);
  } catch (const vembrel::Error&) {
    return 0;
  }
  const int bits = facts.open.inputBits;
  if (bits < 8 || bits > 16 || bits % 2 != 0 || facts.open.plane < 1 ||
      !std::isfinite(facts.measurementDate)) {
    std::abort();
  }
  for (const int well : facts.analysed) {
    if (well < 0 || well >= 96) std::abort();
  }
  for (const auto& failure : facts.failed) {
    if (failure.well < 0 || failure.well >= 96) std::abort();
  }
  // The date goes into the summary's header and the workbook.
  vembrel::ShortDateText(facts.measurementDate);
  vembrel::TimeFromDateTime(facts.measurementDate);
  return 0;
}
