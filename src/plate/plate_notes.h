#pragma once
// The texts OpenPlate gives the user: notes on a plate's fields and the
// message saying why no well was found.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "plate/plate.h"

namespace vembrel {

/// What the scan saw beyond the wells' four fields.
struct FieldCensus {
  std::map<int, std::set<int>> beyondMosaic;      // well -> fields 4 and above of the stains read
  std::pair<std::string, std::string> duplicate;  // the first two names of one field, if any
};

/// Notes, once each, on wells with fewer than four fields, fields beyond the
/// mosaic, fields of mixed sizes within a well (from the TIFF headers) and
/// two files for one field.
void AddFieldNotes(Plate& plate, const PlateLayout& layout, const FieldCensus& census);

/// "No well found in '<folder>': <reason>; files seen: ..." with a few names.
std::string NoWellMessage(const std::string& folder, const std::vector<std::string>& names,
                          const std::string& reason);
/// "no file name fits the layouts tried: ..." with each layout's rule.
std::string NoFitReason(const std::vector<std::shared_ptr<const PlateLayout>>& tried);
/// The plates of one folder, with their file counts, and which is shown.
std::string SeveralPlatesNote(const std::map<std::string, int>& plates, const std::string& shown);
/// How the plate's 16-bit samples are read ("16-bit samples read as 12
/// bits, ...", "8-bit RGB pictures read as 8 bits a channel"), "" for a plate
/// of 8-bit grey pictures read as they are.
std::string InputBitsNote(const Plate& plate);
/// "1, 2, 3".
std::string JoinNumbers(const std::set<int>& numbers);

}  // namespace vembrel
