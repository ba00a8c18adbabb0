#include "support/python_oracle.h"

#include <cstdio>

#include "core/text_file.h"
#include "support/temp_dir.h"

namespace vembrel::testing {

nlohmann::json RunPythonOracle(const std::string& script, const nlohmann::json& input) {
  const TempDir dir;
  WriteFileAtomically(dir.file("oracle.py"), script);
  WriteFileAtomically(dir.file("input.json"), input.dump());
  // The system's interpreter, where Debian's numpy and scipy are.
  const std::string command = "/usr/bin/python3 '" + dir.file("oracle.py") + "' '" +
                              dir.file("input.json") + "' 2>/dev/null";
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return nullptr;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  if (pclose(pipe) != 0) return nullptr;
  return nlohmann::json::parse(out, nullptr, false);
}

}  // namespace vembrel::testing
