// Opening a plate: the folder is listed once, the layout and plate are chosen,
// and every well's field files are recorded.
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "core/convert.h"
#include "core/error.h"
#include "core/text_file.h"
#include "imaging/acquisition_time.h"
#include "imaging/input_bits.h"
#include "imaging/ome_xml.h"
#include "imaging/tiff_file.h"
#include "plate/name_reading.h"
#include "plate/plate.h"
#include "plate/plate_notes.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

namespace fs = std::filesystem;

// The regular files of the folder, by name; directories named like pictures do not count.
std::vector<std::string> ListFiles(const std::string& folder) {
  std::error_code error;
  fs::directory_iterator entries(folder.empty() ? "." : folder, error);
  std::vector<std::string> names;
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    std::error_code typeError;
    if (entries->is_regular_file(typeError)) names.push_back(entries->path().filename().string());
  }
  if (error) throw Error("Cannot read the folder '" + folder + "': " + error.message());
  std::sort(names.begin(), names.end());
  return names;
}

// The name of the folder itself ("plate" for "/data/plate/").
std::string FolderName(const std::string& path) {
  fs::path folder = path.empty() ? fs::current_path() : fs::path(path);
  if (!folder.has_filename()) folder = folder.parent_path();
  return folder.filename().string();
}

struct Parsed {
  FieldName field;
  std::string name;
};

// The OME-XML of the plate's first file, where it carries one; it says for
// every file what its pages hold, as the first file's page count does.
std::optional<OmeImage> FirstFileOme(const std::string& fileName) {
  TiffFile file(fileName);
  if (file.status() != TiffOpenStatus::kOpened) return std::nullopt;
  return ReadOmeImage(file);
}

// The pages of files described by OME-XML: each page's channel (by the
// channel's name where the layout knows every name, else in order from 1,
// or the one the file's name gives), time point and plane. A time point or
// plane the XML does not vary is the plate's own.
FilePages OmePages(Plate& plate, const PlateLayout& layout, const Parsed& first,
                   const OmeImage& ome, int chosen) {
  const std::string name = "'" + plate.path + first.name + "'";
  const bool namedChannel = !layout.channelsAsPages() && !first.field.channelPages;
  if (namedChannel && ome.channels > 1) {
    throw Error(name + " is named as channel " + layout.channelLabel(first.field.channel) +
                ", but its OME-XML holds " + std::to_string(ome.channels) + " channels (SizeC)");
  }
  if (layout.wholeWellFiles()) {
    if (chosen == 4) {
      throw Error(name + " holds one picture per channel in its OME-XML, not the well's four " +
                  "fields (--fields 4)");
    }
    plate.fieldsPerWell = 1;
  }
  std::vector<int> numbers;
  std::set<int> distinct;
  for (const std::string& channelName : ome.channelNames) {
    if (const std::optional<int> number = layout.channelOfWord(channelName)) {
      numbers.push_back(*number);
      distinct.insert(*number);
    }
  }
  if (namedChannel || distinct.size() != static_cast<std::size_t>(ome.channels) ||
      numbers.size() != distinct.size()) {
    numbers.clear();
    for (int c = 0; c < ome.channels; ++c)
      numbers.push_back(namedChannel ? first.field.channel : c + 1);
  }
  FilePages pages;
  pages.channels = ome.channels;
  for (const OmePlane& page : ome.pages) {
    pages.places.push_back({numbers[static_cast<std::size_t>(page.channel)],
                            ome.timePoints > 1 ? page.timePoint + 1 : plate.timePoint,
                            ome.planes > 1 ? page.plane + 1 : plate.plane});
  }
  return pages;
}

// One field source of a file, and the well the file's name gave.
struct Found {
  FieldSource source;
  int well = 0;
  std::string name;  // the file's name, without its folder
};

// What the pages of the plate's files hold and how many fields a well has:
// the chosen number (0: detect), the layout, and the page count of the first
// file where the layout puts fields or channels in pages. Throws Error naming
// the file when the pages cannot be told apart or do not fit the choice.
FilePages ChoosePages(Plate& plate, const PlateLayout& layout, const std::vector<Parsed>& files,
                      int chosen, const std::optional<OmeImage>& ome) {
  FilePages pages;
  if (!layout.wholeWellFiles()) {
    plate.fieldsPerWell = chosen > 0 ? chosen : 4;
    const auto later = std::find_if(files.begin(), files.end(),
                                    [](const Parsed& file) { return file.field.field > 0; });
    if (plate.fieldsPerWell == 1 && later != files.end()) {
      throw Error(
          "--fields 1 reads one picture of the whole well, but the plate has several "
          "fields per well: '" +
          later->name + "' is " + layout.fieldLabel(later->field.field));
    }
    if (!ome && !layout.channelsAsPages() && !files.front().field.channelPages) return pages;
  }
  if (ome) return OmePages(plate, layout, files.front(), *ome, chosen);
  const std::string first = plate.path + files.front().name;
  TiffFile file(first);
  if (file.status() != TiffOpenStatus::kOpened) {
    throw Error(file.message() + "; its pages say what the plate's files hold");
  }
  const int count = file.pageCount();
  const std::string holds =
      "'" + first + "' holds " + std::to_string(count) + (count == 1 ? " page" : " pages");
  if (!layout.wholeWellFiles()) {
    if (count < 2) {
      throw Error(holds +
                  "; a file named without a channel holds its field's channels as "
                  "pages, the nuclear and the cell stain at least");
    }
    pages.channels = count;
    return pages;
  }
  if (!layout.channelsAsPages()) {
    // One channel per file: its pages are the well's fields.
    if ((count != 1 && count != 4) || (chosen > 0 && chosen != count)) {
      throw Error(holds + "; a file of one channel named without a field holds " +
                  (chosen == 1   ? std::string("one picture of the whole well (--fields 1)")
                   : chosen == 4 ? std::string("the well's four fields (--fields 4)")
                                 : std::string("one picture of the whole well or its four "
                                               "fields")));
    }
    pages.fields = plate.fieldsPerWell = count;
    return pages;
  }
  int fields = chosen;
  if (fields == 0) {
    if (count % 4 == 0 && count >= 8) {
      throw Error(holds + ": give --fields 4 (four fields of " + std::to_string(count / 4) +
                  " channels) or --fields 1 (one picture of the whole well in " +
                  std::to_string(count) + " channels)");
    }
    fields = 1;
  }
  if (count % fields != 0 || count / fields < 2) {
    throw Error(holds + ", which are not " +
                (fields == 1 ? std::string("one picture of the whole well")
                             : std::to_string(fields) + " fields") +
                " in the nuclear and the cell stain at least");
  }
  pages.fields = plate.fieldsPerWell = fields;
  pages.channels = count / fields;
  return pages;
}

std::vector<Parsed> ParseAll(const PlateLayout& layout, const std::vector<std::string>& names) {
  std::vector<Parsed> parsed;
  for (const std::string& name : names) {
    if (std::optional<FieldName> field = layout.parse(name)) parsed.push_back({*field, name});
  }
  return parsed;
}

template <typename Keep>
std::vector<Parsed> Filtered(const std::vector<Parsed>& files, Keep keep) {
  std::vector<Parsed> kept;
  std::copy_if(files.begin(), files.end(), std::back_inserter(kept), keep);
  return kept;
}

std::string Listed(const std::set<int>& numbers, const PlateLayout& layout) {
  std::string text;
  for (int number : numbers) text += (text.empty() ? "" : ", ") + layout.channelLabel(number);
  return text;
}

// Keeps the files of the chosen time point (the first when none is chosen)
// and lists every time point the plate holds, so that none is dropped unseen.
std::vector<Parsed> ChooseTimePoint(Plate& plate, const PlateLayout& layout, int chosen,
                                    std::vector<Parsed> files,
                                    const std::vector<std::string>& names) {
  std::set<int> timePoints;
  for (const Parsed& file : files) timePoints.insert(file.field.timePoint);
  plate.timePoints.assign(timePoints.begin(), timePoints.end());
  plate.timePoint = chosen > 0 ? chosen : plate.timePoints.front();
  if (timePoints.count(plate.timePoint) == 0) {
    throw Error(NoWellMessage(plate.path, names,
                              "no file is of time point " + std::to_string(plate.timePoint) +
                                  " (time points found: " + JoinNumbers(timePoints) + ")"));
  }
  if (!layout.hasTimePoints()) return files;
  if (timePoints.size() > 1) {
    plate.notes.push_back("The plate holds " + std::to_string(timePoints.size()) +
                          " time points (" + JoinNumbers(timePoints) + "); time point " +
                          std::to_string(plate.timePoint) + " was read (--time chooses another)");
  }
  return Filtered(files, [&](const Parsed& f) { return f.field.timePoint == plate.timePoint; });
}

// Names stamped with the time they were taken (Incucyte-style) number their
// time points by the stamps' order, from 1; gives each number's stamp.
std::map<int, std::string> NumberStampedTimePoints(std::vector<Parsed>& files) {
  std::map<double, std::string> stamps;
  for (const Parsed& file : files) {
    if (!file.field.timeStamp.empty()) {
      stamps.emplace(*NameTimeStampSeconds(file.field.timeStamp), file.field.timeStamp);
    }
  }
  std::map<std::string, int> numbers;
  std::map<int, std::string> stampOf;
  for (const auto& [seconds, stamp] : stamps) {
    const int number = static_cast<int>(stampOf.size()) + 1;
    numbers[stamp] = number;
    stampOf[number] = stamp;
  }
  for (Parsed& file : files) {
    if (!file.field.timeStamp.empty()) file.field.timePoint = numbers[file.field.timeStamp];
  }
  return stampOf;
}

// "TimePoint_<n>" (n >= 1): the folder of one acquisition of an
// ImageXpress-style time series.
std::optional<int> TimePointFolderNumber(const std::string& name) {
  std::string_view rest = name;
  if (!TakeFront(rest, "TimePoint_")) return std::nullopt;
  const std::optional<int> number = TakeNumber(rest, 1);
  if (!number || !rest.empty() || *number < 1) return std::nullopt;
  return number;
}

// The time point folders of a plate folder, by number.
std::map<int, std::string> TimePointFolders(const std::string& folder) {
  std::map<int, std::string> folders;
  std::error_code error;
  fs::directory_iterator entries(folder.empty() ? "." : folder, error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    std::error_code typeError;
    if (!entries->is_directory(typeError)) continue;
    const std::string name = entries->path().filename().string();
    if (const std::optional<int> number = TimePointFolderNumber(name)) folders[*number] = name;
  }
  return folders;
}

// The plate's acquisition file may say how many time points it took; a
// folder more or fewer means the series is not what the instrument wrote.
void CheckAcquisitionFile(const std::string& folder, const std::map<int, std::string>& found) {
  for (const std::string& name : ListFiles(folder)) {
    if (!name.ends_with(".HTD") && !name.ends_with(".htd")) continue;
    std::string text;
    try {
      text = ReadWholeFile(folder + name);
    } catch (const Error&) {
      continue;
    }
    for (const std::string& line : SplitLines(text)) {
      std::string_view rest = line;
      if (!TakeFront(rest, "\"TimePoints\",")) continue;
      while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
      const std::optional<int> stated = TakeNumber(rest, 1);
      if (stated && *stated != static_cast<int>(found.size())) {
        std::set<int> numbers;
        for (const auto& entry : found) numbers.insert(entry.first);
        throw Error("'" + folder + name + "' states " + std::to_string(*stated) +
                    " time points, but the folder holds " + std::to_string(found.size()) +
                    " (TimePoint_" + JoinNumbers(numbers) + ")");
      }
    }
  }
}

// The plate's format: the one chosen, which must hold every well named, or
// the one the largest row and column named fit.
void ChooseFormat(Plate& plate, const std::optional<PlateFormat>& chosen,
                  const std::vector<Parsed>& files) {
  WellKey largest;
  const Parsed* farthest = &files.front();
  for (const Parsed& file : files) {
    const WellKey& well = file.field.well;
    if (chosen && !chosen->holds(well)) {
      throw UsageError("'" + plate.path + file.name + "' is of well " + WellName(well) +
                       ", which is not on a " + chosen->description() + " (--wells-per-plate " +
                       std::to_string(chosen->wellCount()) + ")");
    }
    if (well.row > largest.row || well.column > largest.column) farthest = &file;
    largest = {std::max(largest.row, well.row), std::max(largest.column, well.column)};
  }
  const std::optional<PlateFormat> format = chosen ? chosen : PlateFormat::Holding(largest);
  if (!format) {
    throw UsageError("The wells of '" + plate.path + "' reach row " +
                     std::to_string(largest.row + 1) + " and column " +
                     std::to_string(largest.column + 1) + " (as in '" + farthest->name +
                     "'), which fit no plate format; the largest is the " +
                     PlateFormat::FromWellsPerPlate(1536).description());
  }
  plate.setFormat(*format);
}

}  // namespace

namespace {

// A camera that fills only 12 (or 10, 14) bits of its 16-bit samples would
// come out nearly black through the high byte: the first included well tells.
void ChooseInputBits(Plate& plate, int chosen) {
  if (chosen != 0) {
    plate.inputBits = chosen;
    return;
  }
  plate.inputBitsDetected = true;
  for (const WellRecord& well : plate.wells) {
    if (well.state != 1) continue;
    std::vector<std::string> files;
    for (const auto* channel : {&well.blueFiles, &well.greenFiles}) {
      for (const std::string& file : *channel) {
        if (!file.empty()) files.push_back(file);
      }
    }
    const InputPictures probed = ProbeInputPictures(files);
    plate.inputBits = probed.bits;
    plate.pictureKind = probed.kind;
    return;
  }
}

// The pixel size: the one chosen, else the first included well's metadata,
// else the OME-XML of the plate's first file.
void ChoosePixelSize(Plate& plate, const std::optional<double>& chosen,
                     const std::optional<OmeImage>& ome, const std::string& omeFile) {
  if (chosen) {
    plate.pixelSize = PixelSize{*chosen, "--pixel-size"};
    return;
  }
  for (const WellRecord& well : plate.wells) {
    if (well.state != 1) continue;
    std::vector<std::string> files;
    for (const auto* channel : {&well.blueFiles, &well.greenFiles}) {
      const auto first = std::find_if(channel->begin(), channel->end(),
                                      [](const std::string& file) { return !file.empty(); });
      if (first != channel->end()) files.push_back(*first);
    }
    plate.pixelSize = DetectPixelSize(files, HarmonyIndexFile(plate.path), plate.notes);
    break;
  }
  if (plate.pixelSize || !ome || !ome->pixelSize) return;
  const double size = *ome->pixelSize;
  const std::string source = "the OME-XML of '" + omeFile + "'";
  if (!(size >= kLeastPlausiblePixelSize && size <= kGreatestPlausiblePixelSize)) {
    plate.notes.push_back("The pixel size of " + source + " is not used: it gives " +
                          FloatToText(size) + " micrometres per pixel, outside " +
                          FloatToText(kLeastPlausiblePixelSize) + " to " +
                          FloatToText(kGreatestPlausiblePixelSize));
    return;
  }
  plate.pixelSize = PixelSize{size, source};
}

}  // namespace

Plate OpenPlate(const std::string& pictureOrFolder, const PlateOpenOptions& options) {
  std::error_code error;
  const bool folderGiven = fs::is_directory(pictureOrFolder, error);
  Plate plate;
  plate.open = true;
  plate.path = pictureOrFolder;
  if (!folderGiven) {
    plate.path = PlatePathOf(pictureOrFolder);
  } else if (!plate.path.empty() && plate.path.back() != '/') {
    plate.path += '/';
  }
  const std::string pictureName = folderGiven ? "" : pictureOrFolder.substr(plate.path.size());

  // A time series in TimePoint_<n> folders: the plate folder, or a picture
  // in one of its time points, opens the chosen (else that, else the first) one.
  std::map<int, std::string> timeFolders;
  std::string seriesFolder = plate.path;
  std::optional<int> pictureTimePoint;
  if (!folderGiven) {
    const fs::path own = fs::path(plate.path).parent_path();
    if ((pictureTimePoint = TimePointFolderNumber(own.filename().string()))) {
      seriesFolder = own.parent_path().string() + "/";
    }
  }
  if (folderGiven || pictureTimePoint) timeFolders = TimePointFolders(seriesFolder);
  bool pictureInFolder = !folderGiven;
  int folderTimePoint = 0;
  if (!timeFolders.empty()) {
    CheckAcquisitionFile(seriesFolder, timeFolders);
    folderTimePoint = options.timePoint > 0 ? options.timePoint
                      : pictureTimePoint    ? *pictureTimePoint
                                            : timeFolders.begin()->first;
    if (timeFolders.count(folderTimePoint) == 0) {
      std::set<int> numbers;
      for (const auto& entry : timeFolders) numbers.insert(entry.first);
      throw Error("No time point " + std::to_string(folderTimePoint) + " in '" + seriesFolder +
                  "' (time points found: " + JoinNumbers(numbers) + ")");
    }
    plate.path = seriesFolder + timeFolders[folderTimePoint] + "/";
    pictureInFolder = pictureTimePoint == folderTimePoint;
  }
  const std::vector<std::string> names = ListFiles(plate.path);

  // The layout: as given, else the picture's, else the one most files fit.
  std::vector<std::shared_ptr<const PlateLayout>> tried;
  if (options.layout) {
    tried.push_back(LayoutFromOption(*options.layout));
  } else {
    for (auto& builtIn : BuiltInLayouts()) tried.push_back(std::move(builtIn));
  }
  std::shared_ptr<const PlateLayout> layout;
  std::optional<FieldName> picture;
  for (const auto& candidate : tried) {
    if (!folderGiven && (picture = candidate->parse(pictureName))) {
      layout = candidate;
      break;
    }
  }
  std::vector<Parsed> files;
  if (layout != nullptr) {
    files = ParseAll(*layout, names);
  } else {
    std::size_t best = 0;
    for (const auto& candidate : tried) {
      std::vector<Parsed> fitting = ParseAll(*candidate, names);
      if (fitting.size() <= best) continue;
      best = fitting.size();
      files = std::move(fitting);
      layout = candidate;
    }
    if (layout == nullptr) throw Error(NoWellMessage(plate.path, names, NoFitReason(tried)));
    if (!folderGiven) {
      plate.notes.push_back("'" + pictureName + "' fits no layout tried; the layout was taken " +
                            "from the files of its folder");
    }
  }

  // The plate: the picture's, else the one with most files.
  std::map<std::string, int> plates;
  for (const Parsed& file : files) ++plates[file.field.plate];
  if (picture) {
    plate.plateName = picture->plate;
  } else if (!plates.empty()) {
    plate.plateName = std::max_element(plates.begin(), plates.end(), [](auto& a, auto& b) {
                        return a.second < b.second;
                      })->first;
    if (plates.size() > 1) plate.notes.push_back(SeveralPlatesNote(plates, plate.plateName));
  }
  files = Filtered(files, [&](const Parsed& f) { return f.field.plate == plate.plateName; });
  if (files.empty()) {
    throw Error(NoWellMessage(
        plate.path, names,
        "no file name fits " + layout->title() + " with the plate '" + plate.plateName + "'"));
  }

  ChooseFormat(plate, options.format, files);
  const std::string firstFile = plate.path + files.front().name;
  const std::optional<OmeImage> ome = FirstFileOme(firstFile);
  const int omePlanes = ome ? ome->planes : 1;
  const int omeTimePoints = ome ? ome->timePoints : 1;

  // The plane and the channels.
  plate.plane = options.plane;
  std::set<int> planes;
  for (const Parsed& file : files) planes.insert(file.field.plane);
  if (omePlanes > 1) {
    if (layout->hasPlanes()) {
      throw Error("'" + firstFile + "' holds " + std::to_string(omePlanes) +
                  " planes (OME-XML SizeZ), but the names give the plane already");
    }
    planes.clear();
    for (int z = 1; z <= omePlanes; ++z) planes.insert(z);
    if (plate.plane < 1 || plate.plane > omePlanes) {
      throw Error("'" + firstFile + "' holds the planes " + JoinNumbers(planes) +
                  " (OME-XML SizeZ " + std::to_string(omePlanes) + "); --plane " +
                  std::to_string(plate.plane) + " is none of them");
    }
  } else if (layout->hasPlanes()) {
    files = Filtered(files, [&](const Parsed& f) { return f.field.plane == plate.plane; });
    if (files.empty()) {
      throw Error(NoWellMessage(plate.path, names,
                                "no file is of plane " + std::to_string(plate.plane) +
                                    " (planes found: " + JoinNumbers(planes) + ")"));
    }
  } else if (options.plane != 1) {
    plate.notes.push_back("A plane was chosen, but names of the " + layout->title() +
                          " layout carry none; every file was read");
  }
  const std::map<int, std::string> stamps = NumberStampedTimePoints(files);
  files = ChooseTimePoint(plate, *layout,
                          timeFolders.empty() && omeTimePoints == 1 ? options.timePoint : 0,
                          std::move(files), names);
  if (const auto stamp = stamps.find(plate.timePoint); stamp != stamps.end()) {
    plate.timeStamp = stamp->second;
  }
  if (!timeFolders.empty()) {
    plate.timePoints.clear();
    for (const auto& entry : timeFolders) plate.timePoints.push_back(entry.first);
    plate.timePoint = folderTimePoint;
    if (timeFolders.size() > 1) {
      plate.notes.push_back(
          "The plate holds " + std::to_string(timeFolders.size()) + " time points (TimePoint_" +
          JoinNumbers({plate.timePoints.begin(), plate.timePoints.end()}) + "); time point " +
          std::to_string(folderTimePoint) + " was read (--time chooses another)");
    }
  }
  if (omeTimePoints > 1) {
    if (layout->hasTimePoints() || !timeFolders.empty() || plate.timePoints.size() > 1) {
      throw Error("'" + firstFile + "' holds " + std::to_string(omeTimePoints) +
                  " time points (OME-XML SizeT), but the plate's names or folders give the " +
                  "time point already");
    }
    plate.timePoints.clear();
    for (int t = 1; t <= omeTimePoints; ++t) plate.timePoints.push_back(t);
    plate.timePoint = options.timePoint > 0 ? options.timePoint : 1;
    const std::set<int> numbers(plate.timePoints.begin(), plate.timePoints.end());
    if (plate.timePoint > omeTimePoints) {
      throw Error("No time point " + std::to_string(plate.timePoint) + " in '" + firstFile +
                  "' (time points found: " + JoinNumbers(numbers) + ")");
    }
    plate.notes.push_back("The plate holds " + std::to_string(omeTimePoints) + " time points (" +
                          JoinNumbers(numbers) + "); time point " +
                          std::to_string(plate.timePoint) + " was read (--time chooses another)");
  }
  if (ome) {
    plate.recordedSeconds = ome->timePointSeconds[static_cast<std::size_t>(
        omeTimePoints > 1 ? plate.timePoint - 1 : 0)];
  }
  // What each file holds: its field sources.
  plate.pages = ChoosePages(plate, *layout, files, options.fieldsPerWell, ome);
  std::vector<Found> sources;
  for (const Parsed& file : files) {
    for (FieldSource& source :
         FieldSourcesOf(plate.path + file.name, file.field, *layout, plate.pages)) {
      sources.push_back({std::move(source), plate.format.indexOf(file.field.well), file.name});
    }
  }
  std::set<int> channels;
  for (const Found& found : sources) channels.insert(found.source.channel);
  if (options.channels) {
    plate.channels = *options.channels;
  } else if (layout->defaultChannels()) {
    plate.channels = *layout->defaultChannels();
  } else {
    plate.channels[0] = *channels.begin();
    plate.channels[1] = channels.size() > 1 ? *std::next(channels.begin()) : plate.channels[0] + 1;
  }

  // The wells.
  FieldCensus census;
  for (const Found& found : sources) {
    const FieldSource& f = found.source;
    const bool otherPlane = f.timePoint != plate.timePoint || f.plane != plate.plane;
    if (!plate.pages.places.empty() && otherPlane) continue;  // pages of other OME planes
    const int stain = f.channel == plate.channels[0] ? 0 : f.channel == plate.channels[1] ? 1 : -1;
    if (stain < 0) continue;
    if (f.site >= plate.fieldsPerWell) {
      census.beyondMosaic[found.well].insert(f.site);
      continue;
    }
    WellRecord& well = plate.wells[found.well];
    std::string& slot = stain == 0 ? well.blueFiles[f.site] : well.greenFiles[f.site];
    if (slot.empty()) {
      slot = f.file;
      well.sources.push_back(f);
    } else if (census.duplicate.first.empty()) {
      census.duplicate = {slot.substr(plate.path.size()), found.name};
    }
  }
  bool anyFile = false;
  for (WellRecord& well : plate.wells) {
    for (int field = 0; field < 4; ++field) {
      // A picture of the whole well stands in every quarter.
      const int site = plate.fieldsPerWell == 1 ? 0 : field;
      well.hasBlue[field] = !well.blueFiles[site].empty();
      well.hasGreen[field] = !well.greenFiles[site].empty();
      anyFile = anyFile || well.hasBlue[field] || well.hasGreen[field];
      if (well.hasBlue[field]) {
        well.quarter[field] = well.hasGreen[field] ? QuarterColour::Cyan : QuarterColour::Blue;
        if (well.hasGreen[field]) well.state = 1;
      } else {
        well.quarter[field] = well.hasGreen[field] ? QuarterColour::Green : QuarterColour::None;
      }
    }
  }
  if (!anyFile) {
    throw Error(NoWellMessage(
        plate.path, names,
        "no file is of the nuclear stain's channel " + layout->channelLabel(plate.channels[0]) +
            " or the cell stain's " + layout->channelLabel(plate.channels[1]) +
            " (channels found: " + Listed(channels, *layout) + ")"));
  }
  for (int stain = 0; stain < 2; ++stain) {
    if (channels.count(plate.channels[stain]) == 0) {
      plate.notes.push_back(std::string("No picture of the ") + (stain == 0 ? "nuclear" : "cell") +
                            " stain's channel " + layout->channelLabel(plate.channels[stain]) +
                            " was found (channels found: " + Listed(channels, *layout) + ")");
    }
  }
  AddFieldNotes(plate, *layout, census);

  plate.layout = layout->name();
  plate.layoutDescription = layout->title() + "; nuclear stain " +
                            layout->channelLabel(plate.channels[0]) + ", cell stain " +
                            layout->channelLabel(plate.channels[1]);
  if (channels.size() > 2) plate.layoutDescription += " (of " + Listed(channels, *layout) + ")";
  if (layout->hasPlanes() || omePlanes > 1) {
    plate.layoutDescription += "; plane " + std::to_string(plate.plane);
    if (planes.size() > 1) plate.layoutDescription += " (of " + JoinNumbers(planes) + ")";
  }
  if (ome) {
    const auto count = [](int n, const std::string& what) {
      return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
    };
    plate.layoutDescription += "; the OME-XML of each file gives its pages as " +
                               count(ome->channels, "channel") + " x " +
                               count(omeTimePoints, "time point") + " x " +
                               count(omePlanes, "plane") + " (" + ome->dimensionOrder + ")";
  } else if (plate.pages.fields > 1 || plate.pages.channels > 1) {
    plate.layoutDescription +=
        "; each file holds " +
        (plate.pages.fields > 1 ? std::to_string(plate.pages.fields) + " fields of "
                                : std::string()) +
        std::to_string(plate.pages.channels) +
        (plate.pages.channels == 1 ? " channel" : " channels") + " as pages";
  }
  if (plate.fieldsPerWell == 1) plate.layoutDescription += "; one picture of the whole well";
  plate.prefix = layout->prefix(plate.plateName, FolderName(plate.path));
  plate.base = plate.path + plate.prefix;
  plate.naming = layout;
  plate.measurementDate =
      MeasurementDateOf(pictureInFolder ? pictureOrFolder : plate.path + files.front().name);
  ChooseInputBits(plate, options.inputBits);
  ChoosePixelSize(plate, options.pixelSize, ome, firstFile);
  return plate;
}

}  // namespace vembrel
