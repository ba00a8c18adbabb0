// Settings: the 17 settings as attributes named and grouped by the settings
// table ("nuclei.blue_cutoff" is s.nuclei.blue_cutoff). Nothing is listed
// here: groups and attributes are found in the table by name, and every
// change goes through the engine's JSON reader, which checks it.
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "plate/settings_file.h"
#include "plate/settings_json.h"
#include "plate/settings_table.h"
#include "python/binding.h"

namespace vembrel::python {
namespace {

/// A view of the settings under a dotted path ("display.green"); "" is all of them.
struct SettingsGroup {
  std::shared_ptr<AnalysisSettings> values;
  std::string path;
};

std::string Join(const std::string& path, const std::string& name) {
  return path.empty() ? name : path + "." + name;
}

// The next parts of the names below path, in settings-file order, once each.
std::vector<std::string> Children(const std::string& path) {
  const std::string prefix = path.empty() ? "" : path + ".";
  std::vector<std::string> children;
  for (const SettingDescriptor& setting : AllSettings()) {
    if (!setting.name.starts_with(prefix)) continue;
    const std::string_view rest = setting.name.substr(prefix.size());
    const std::string child(rest.substr(0, rest.find('.')));
    if (std::find(children.begin(), children.end(), child) == children.end()) {
      children.push_back(child);
    }
  }
  return children;
}

bool IsGroup(const std::string& path) {
  return !path.empty() && !Children(path).empty() && FindSettingByName(path) == nullptr;
}

py::object ValueOf(const AnalysisSettings& values, const SettingDescriptor& setting) {
  return std::visit([](auto value) -> py::object { return py::cast(value); },
                    GetSetting(values, setting.id));
}

std::string Listing(const std::string& path) {
  std::string text;
  for (const std::string& child : Children(path)) text += (text.empty() ? "" : ", ") + child;
  return text;
}

[[noreturn]] void NoSuchAttribute(const std::string& path, const std::string& name) {
  Raise(PyExc_AttributeError, "No setting '" + Join(path, name) + "'; " +
                                  (path.empty() ? "the groups are " : path + " holds ") +
                                  Listing(path));
}

py::object Get(const std::shared_ptr<AnalysisSettings>& values, const std::string& path,
               const std::string& name) {
  const std::string full = Join(path, name);
  if (const SettingDescriptor* setting = FindSettingByName(full)) return ValueOf(*values, *setting);
  if (IsGroup(full)) return py::cast(SettingsGroup{values, full});
  NoSuchAttribute(path, name);
}

// Changes are checked as a settings JSON of one value: type, range and order rules.
void Change(AnalysisSettings& values, Json change) {
  try {
    values = SettingsFromJson(change, values);
  } catch (const WrongTypeError& e) {
    Raise(PyExc_TypeError, e.what());
  } catch (const Error& e) {
    Raise(PyExc_ValueError, e.what());
  }
}

void Set(AnalysisSettings& values, const std::string& path, const std::string& name,
         const py::handle value) {
  const std::string full = Join(path, name);
  if (FindSettingByName(full) == nullptr) {
    if (IsGroup(full)) {
      Raise(PyExc_AttributeError,
            full + " is a group of settings (" + Listing(full) + "); set its settings");
    }
    NoSuchAttribute(path, name);
  }
  Json change = Json::object();
  change[full] = FromPython(value);
  Change(values, std::move(change));
}

Json GroupJson(const AnalysisSettings& values, const std::string& path) {
  std::string pointer = path.empty() ? "" : "/" + path;
  std::replace(pointer.begin(), pointer.end(), '.', '/');
  return SettingsToJson(values)[Json::json_pointer(pointer)];
}

// "cutoff=10, saturation=255, full_range=True" for a group's settings, by subgroup.
std::string Members(const AnalysisSettings& values, const std::string& path) {
  std::string text;
  for (const std::string& child : Children(path)) {
    for (const SettingDescriptor& setting : AllSettings()) {
      const std::string_view name = setting.name;
      if (name != Join(path, child) && !name.starts_with(Join(path, child) + ".")) continue;
      text += (text.empty() ? "" : ", ") + std::string(name.substr(path.size() + 1)) + "=" +
              std::string(py::repr(ValueOf(values, setting)));
    }
  }
  return text;
}

const SettingDescriptor& SettingNamed(const std::string& name) {
  const SettingDescriptor* setting = FindSettingByName(name);
  if (setting == nullptr) Raise(PyExc_KeyError, "No setting '" + name + "'");
  return *setting;
}

AnalysisSettings Load(const py::object& pathArgument) {
  const std::string path = PathArgument(pathArgument);
  try {
    return ReadSettingsFile(path);
  } catch (const Error& e) {
    // The reader names the file either way; what it could not open is an OSError.
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::exists(path, error)) Raise(PyExc_FileNotFoundError, e.what());
    const bool readable = fs::is_regular_file(path, error) && std::ifstream(path).good();
    Raise(readable ? PyExc_ValueError : PyExc_OSError, e.what());
  }
}

std::string Repr(const AnalysisSettings& values) {
  const AnalysisSettings defaults;
  std::string changed;
  for (const SettingDescriptor& setting : AllSettings()) {
    if (GetSetting(values, setting.id) == GetSetting(defaults, setting.id)) continue;
    changed += (changed.empty() ? "'" : ", '") + std::string(setting.name) +
               "': " + std::string(py::repr(ValueOf(values, setting)));
  }
  return changed.empty() ? "Settings()" : "Settings({" + changed + "})";
}

SettingsValues Copy(const SettingsValues& settings) {
  return SettingsValues{std::make_shared<AnalysisSettings>(*settings.values)};
}

// The class's documentation, with the groups and their settings from the table.
std::string SettingsDoc() {
  std::string groups;
  std::vector<std::string> seen;
  for (const SettingDescriptor& setting : AllSettings()) {
    const std::string name(setting.name);
    const std::string group = name.substr(0, name.rfind('.'));
    if (std::find(seen.begin(), seen.end(), group) != seen.end()) continue;
    seen.push_back(group);
    groups += "    " + group + ": " + Listing(group) + "\n";
  }
  return R"(The 17 analysis settings, checked whenever one changes.

Settings() holds the defaults; Settings({'nuclei': {'blue_cutoff': 90}}) or
Settings({'nuclei.blue_cutoff': 90}) changes some of them. The settings are
attributes grouped as the analysis uses them (s.nuclei.blue_cutoff):

)" + groups +
         R"(
Setting one raises TypeError with the reason when the value is of the wrong
type, ValueError when it is outside its range (Settings.range) or breaks an
order (each display cutoff below its saturation, each minimal size below its
maximal); the settings keep their values then. s['nuclei.blue_cutoff'] reaches a setting by
its dotted name (Settings.names()).)";
}

py::list Dir(const py::object& self, const std::string& path) {
  py::list names = py::module_::import("builtins").attr("object").attr("__dir__")(self);
  for (const std::string& child : Children(path)) names.append(child);
  return names;
}

}  // namespace

AnalysisSettings SettingsArgument(const py::object& settings) {
  if (settings.is_none()) return {};
  if (!py::isinstance<SettingsValues>(settings)) {
    Raise(PyExc_TypeError, "settings must be a vembrel.Settings or None, not " +
                               std::string(Py_TYPE(settings.ptr())->tp_name));
  }
  return *settings.cast<const SettingsValues&>().values;
}

void BindSettings(py::module_& module) {
  py::class_<SettingsGroup>(module, "SettingsGroup",
                            R"(A group of settings, such as s.nuclei or s.display.green.

Its settings are attributes (s.nuclei.blue_cutoff); setting one checks it as
Settings does. A group is a view: changing it changes the Settings it came from.)")
      .def("__getattr__", [](const SettingsGroup& g,
                             const std::string& name) { return Get(g.values, g.path, name); })
      .def("__setattr__", [](SettingsGroup& g, const std::string& name,
                             py::handle value) { Set(*g.values, g.path, name, value); })
      .def("__dir__",
           [](const py::object& self) { return Dir(self, self.cast<SettingsGroup&>().path); })
      .def(
          "to_dict", [](const SettingsGroup& g) { return ToPython(GroupJson(*g.values, g.path)); },
          "The group's settings as a nested dict.")
      .def("__repr__", [](const SettingsGroup& g) {
        return "<vembrel settings " + g.path + ": " + Members(*g.values, g.path) + ">";
      });

  static const std::string settingsDoc = SettingsDoc();
  py::class_<SettingsValues>(module, "Settings", settingsDoc.c_str())
      .def(py::init([](const py::object& values) {
             SettingsValues settings;
             if (!values.is_none()) Change(*settings.values, FromPython(values));
             return settings;
           }),
           py::arg("values") = py::none(),
           "The defaults, with the given settings (nested or dotted names) changed.")
      .def_static(
          "load",
          [](const py::object& path) {
            return SettingsValues{std::make_shared<AnalysisSettings>(Load(path))};
          },
          py::arg("path"),
          "Reads a settings file (.VLS). OSError when it cannot be read, ValueError\n"
          "naming the line or key when its content is bad.")
      .def(
          "save",
          [](const SettingsValues& s, const py::object& path) {
            const std::string file = PathArgument(path);
            RaisingAs(PyExc_OSError, [&] { WriteSettingsFile(file, *s.values); });
          },
          py::arg("path"),
          "Writes the settings file (.VLS) at path, replacing it whole; OSError when\n"
          "it cannot be written.")
      .def(
          "to_dict", [](const SettingsValues& s) { return ToPython(SettingsToJson(*s.values)); },
          "All settings as a nested dict: {'display': {'green': {'cutoff': 10, ...}}, ...}.")
      .def(
          "update",
          [](SettingsValues& s, const py::object& values) {
            Change(*s.values, FromPython(values));
          },
          py::arg("values"),
          "Changes several settings at once (nested or dotted names), checked together,\n"
          "so a cutoff and its saturation can move past each other.")
      .def("copy", &Copy, "An independent copy.")
      .def("__copy__", &Copy)
      .def("__deepcopy__", [](const SettingsValues& s, const py::object&) { return Copy(s); })
      .def_static(
          "names",
          [] {
            std::vector<std::string> names;
            for (const SettingDescriptor& setting : AllSettings()) names.emplace_back(setting.name);
            return names;
          },
          "The dotted names of all settings, in settings-file order.")
      .def_static(
          "range",
          [](const std::string& name) -> py::tuple {
            const SettingDescriptor& setting = SettingNamed(name);
            const auto limit = [&](std::int32_t value) -> py::object {
              if (setting.type == SettingType::Flag) return py::bool_(value != 0);
              if (setting.type == SettingType::Decimal)
                return py::float_(double(value) / setting.sliderScale);
              return py::int_(value);
            };
            const bool open = setting.maximum == std::numeric_limits<std::int32_t>::max();
            return py::make_tuple(limit(setting.minimum),
                                  open ? py::object(py::none()) : limit(setting.maximum));
          },
          py::arg("name"),
          "(lowest, highest) value of a setting by dotted name; highest None when unlimited.")
      .def(
          "__getitem__",
          [](const SettingsValues& s, const std::string& name) {
            return ValueOf(*s.values, SettingNamed(name));
          },
          py::arg("name"), "A setting by dotted name: s['nuclei.blue_cutoff'].")
      .def(
          "__setitem__",
          [](SettingsValues& s, const std::string& name, py::handle value) {
            SettingNamed(name);
            Set(*s.values, "", name, value);
          },
          "Changes a setting by dotted name, checked as attributes are.")
      .def("__getattr__",
           [](const SettingsValues& s, const std::string& name) { return Get(s.values, "", name); })
      .def("__setattr__", [](SettingsValues& s, const std::string& name,
                             py::handle value) { Set(*s.values, "", name, value); })
      .def("__dir__", [](const py::object& self) { return Dir(self, ""); })
      .def(
          "__eq__",
          [](const SettingsValues& a, const SettingsValues& b) { return *a.values == *b.values; },
          py::is_operator())
      .def("__repr__", [](const SettingsValues& s) { return Repr(*s.values); })
      .def(py::pickle([](const SettingsValues& s) { return ToPython(SettingsToJson(*s.values)); },
                      [](const py::object& state) {
                        SettingsValues settings;
                        Change(*settings.values, FromPython(state));
                        return settings;
                      }));
}

}  // namespace vembrel::python
