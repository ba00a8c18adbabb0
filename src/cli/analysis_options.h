#pragma once
// Options of the commands that analyse wells, beyond the settings file.
#include <CLI/CLI.hpp>
#include <optional>

#include "engine/well_session.h"

namespace vembrel::cli {

/// Adds --fit-radius MIN:MAX (the zone's size fitted in that range); checked
/// while the command line is parsed, stored in range, which must outlive it.
void AddFitRadiusOption(CLI::App& command, std::optional<RadiusRange>& range);

/// Adds --ring X,Y,R (the well analysed at this ring: centre column, row
/// counted from the bottom, radius); checked while the command line is
/// parsed (on the mosaic, radius 1 and up), stored in ring.
CLI::Option* AddRingOption(CLI::App& command, std::optional<Ring>& ring);

/// Adds --cutoffs well|plate (each well's nucleus cut-offs chosen from its
/// own pictures, or the settings' for the whole plate); another value is a
/// parse error naming it. Stored in mode.
void AddCutoffsOption(CLI::App& command, CutoffMode& mode);

}  // namespace vembrel::cli
