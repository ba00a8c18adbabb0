#include "engine/well_results.h"

#include <algorithm>
#include <array>

namespace vembrel {
namespace {

constexpr std::array<std::string_view, 9> kNoteNames = {"missing_field",
                                                        "damaged_field",
                                                        "ring_at_search_limit",
                                                        "ring_in_black_quarter",
                                                        "no_nuclei",
                                                        "few_nuclei_outside",
                                                        "saturated",
                                                        "no_zone",
                                                        "nuclei_too_large"};

}  // namespace

std::string_view QualityNoteName(QualityNote note) {
  return kNoteNames.at(static_cast<std::size_t>(note));
}

std::optional<QualityNote> QualityNoteFromName(std::string_view name) {
  const auto it = std::find(kNoteNames.begin(), kNoteNames.end(), name);
  if (it == kNoteNames.end()) return std::nullopt;
  return static_cast<QualityNote>(it - kNoteNames.begin());
}

std::string QualityNotesText(const WellResults& well, std::string_view separator) {
  std::string text;
  for (const QualityNote note : well.quality) {
    if (!text.empty()) text += separator;
    text += QualityNoteName(note);
  }
  return text;
}

bool WellResults::has(QualityNote note) const {
  return std::find(quality.begin(), quality.end(), note) != quality.end();
}

}  // namespace vembrel
