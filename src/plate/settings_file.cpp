#include "plate/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "core/convert.h"
#include "core/error.h"
#include "core/text_file.h"
#include "plate/settings_table.h"

namespace vembrel {
namespace {

constexpr std::size_t kQuoteLimit = 80;

// Integers are written as their 32 bits read as a non-negative number.
std::string UnsignedText(std::int32_t value) {
  return std::to_string(static_cast<std::uint32_t>(value));
}

// " 3.00000000000000E+0000": sign or space, 15 significant digits, a signed
// four-digit exponent, always with ".".
std::string ScientificText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14E", std::fabs(value));
  std::string text(buffer);
  const std::size_t e = text.find('E');
  if (e == std::string::npos) return text;  // inf or nan: no exponent to widen
  const char sign = text[e + 1];
  std::string digits = text.substr(e + 2);
  while (digits.size() < 4) digits.insert(0, "0");
  return (std::signbit(value) ? "-" : " ") + text.substr(0, e) + "E" + sign + digits;
}

std::string FileValueText(SettingValue value) {
  if (const auto* integer = std::get_if<std::int32_t>(&value)) return UnsignedText(*integer);
  if (const auto* flag = std::get_if<bool>(&value)) return *flag ? "TRUE" : "FALSE";
  return ScientificText(std::get<double>(value));
}

// Offending text for a message: quoted, at most kQuoteLimit characters, with
// control characters shown as "?".
std::string Quote(std::string_view text) {
  std::string shown(text.substr(0, kQuoteLimit));
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return "'" + shown + (text.size() > kQuoteLimit ? "'..." : "'");
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r\v\f") == std::string_view::npos;
}

// The setting whose key line this is: "[<key> - <description>]" or "[<key>]".
const SettingDescriptor* KeyLineSetting(std::string_view line) {
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return nullptr;
  const std::string_view inside = line.substr(1, line.size() - 2);
  const std::size_t dash = inside.find(" - ");
  const SettingDescriptor* setting = FindSettingByKey(inside.substr(0, dash));
  if (setting == nullptr) return nullptr;
  if (dash != std::string_view::npos && inside.substr(dash + 3) != setting->description) {
    return nullptr;
  }
  return setting;
}

struct FileDescriptor {
  int fd;
  ~FileDescriptor() { ::close(fd); }
};

// The whole file, refused unread when it is not a regular file or is too
// large. Opened non-blocking so a FIFO cannot hang the open.
std::string ReadSettingsBytes(const std::string& path, const std::string& where) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw Error(where + "cannot be opened (" + std::strerror(errno) + ")");
  const FileDescriptor file{fd};
  struct stat status {};
  if (::fstat(fd, &status) != 0)
    throw Error(where + "cannot be read (" + std::strerror(errno) + ")");
  if (!S_ISREG(status.st_mode)) throw Error(where + "not a regular file");
  const auto tooLarge = [&](long long size) {
    return Error(where + "larger than 64 KB (" + std::to_string(size) + " bytes)");
  };
  if (status.st_size > static_cast<off_t>(kSettingsFileLimit)) throw tooLarge(status.st_size);
  std::string bytes(kSettingsFileLimit + 1, '\0');  // one more to see it grow
  std::size_t used = 0;
  while (used < bytes.size()) {
    const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw Error(where + "cannot be read (" + std::strerror(errno) + ")");
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  if (used > kSettingsFileLimit) throw tooLarge(static_cast<long long>(used));
  bytes.resize(used);
  return bytes;
}

struct FoundValue {
  std::size_t keyLine;  // from 1
  std::string text;
};

// The value lines by setting, after checking the lines' structure.
std::array<std::optional<FoundValue>, kSettingCount> FindValues(
    const std::vector<std::string>& lines, const std::string& where) {
  std::array<std::optional<FoundValue>, kSettingCount> found;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (IsBlank(lines[i])) continue;
    const SettingDescriptor* setting = KeyLineSetting(lines[i]);
    const std::string line = std::to_string(i + 1);
    if (setting == nullptr) {
      throw Error(where + "line " + line + " is not a known key line: " + Quote(lines[i]));
    }
    const std::string key(setting->key);
    std::optional<FoundValue>& value = found[static_cast<std::size_t>(setting->id)];
    if (value) {
      throw Error(where + "key " + key + " is given twice (lines " +
                  std::to_string(value->keyLine) + " and " + line + ")");
    }
    if (i + 1 == lines.size() || KeyLineSetting(lines[i + 1]) != nullptr) {
      throw Error(where + "key " + key + " on line " + line + " has no value line");
    }
    value = FoundValue{i + 1, lines[i + 1]};
    ++i;
  }
  return found;
}

SettingValue ConvertValue(const SettingDescriptor& setting, const std::string& text,
                          const std::string& where) {
  const std::string prefix = where + std::string(setting.key) + ": " + Quote(text);
  try {
    switch (setting.type) {
      case SettingType::Integer:
        return StrToInt(text);
      case SettingType::Decimal:
        return StrToFloat(text);
      case SettingType::Flag:
        break;
    }
  } catch (const ConversionError&) {
    throw Error(prefix + (setting.type == SettingType::Integer
                              ? " is not a valid integer value"
                              : " is not a valid floating point value"));
  }
  std::string word(Trimmed(text));
  for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (word == "TRUE") return true;
  if (word == "FALSE") return false;
  throw Error(prefix + " is not TRUE or FALSE");
}

}  // namespace

std::vector<std::string> SettingsFileLines(const AnalysisSettings& settings) {
  std::vector<std::string> lines;
  lines.reserve(2 * kSettingCount);
  for (const SettingDescriptor& setting : AllSettings()) {
    lines.push_back("[" + std::string(setting.key) + " - " + std::string(setting.description) +
                    "]");
    lines.push_back(FileValueText(GetSetting(settings, setting.id)));
  }
  return lines;
}

void WriteSettingsFile(const std::string& path, const AnalysisSettings& settings) {
  AtomicTextFile file(path);
  for (const std::string& line : SettingsFileLines(settings)) file.line(line);
  file.commit();
}

std::string WithSettingsExtension(const std::string& chosenName) {
  const std::size_t nameStart = chosenName.find_last_of("/\\:");
  const std::size_t dot = chosenName.rfind('.');
  const bool hasExtension =
      dot != std::string::npos && (nameStart == std::string::npos || dot > nameStart);
  return hasExtension ? chosenName : chosenName + ".VLS";
}

AnalysisSettings ReadSettingsFile(const std::string& path) {
  const std::string where = "Settings file '" + path + "': ";
  const auto found = FindValues(SplitLines(ReadSettingsBytes(path, where)), where);

  AnalysisSettings settings;
  std::array<std::string, kSettingCount> shown;  // each value as messages show it
  for (const SettingDescriptor& setting : AllSettings()) {
    const std::size_t index = static_cast<std::size_t>(setting.id);
    if (found[index]) {
      SetSetting(settings, setting.id, ConvertValue(setting, found[index]->text, where));
      shown[index] = Quote(found[index]->text);
    } else if (setting.cellLevel) {
      SetSetting(settings, setting.id, setting.defaultValue);
      shown[index] = SettingValueText(setting.defaultValue) + " (the default)";
    } else {
      throw Error(where + "key " + std::string(setting.key) + " is missing");
    }
  }
  if (const auto problem = FindSettingProblem(settings, SettingNaming::FileKey)) {
    const SettingDescriptor& setting = Describe(problem->id);
    throw Error(where + std::string(setting.key) + " value " +
                shown[static_cast<std::size_t>(problem->id)] + " " + problem->reason);
  }
  return settings;
}

}  // namespace vembrel
