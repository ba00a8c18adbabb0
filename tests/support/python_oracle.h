#pragma once
// Debian's python3 with numpy and scipy as an independent oracle: a script
// reads its input as JSON from the file named by its first argument and
// prints its answer as JSON.
#include <nlohmann/json.hpp>
#include <string>

namespace vembrel::testing {

/// The script's answer; null when python3 (or a module it imports) is missing or fails.
nlohmann::json RunPythonOracle(const std::string& script, const nlohmann::json& input);

}  // namespace vembrel::testing
