#pragma once
// File-name layouts of a plate's field pictures. Each layout reads the well,
// field and channel from a file name, says what the pages of its files hold,
// names a field it expects, and says how the results prefix is formed; each
// has its rules in one file (layout_*.cpp). The files a layout names become
// field sources (FieldSourcesOf): one per field and channel a file holds.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plate/plate_format.h"

namespace vembrel {

/// What a layout reads from one file name.
struct FieldName {
  std::string plate;  // the part naming the plate ("" where the layout has none)
  WellKey well;       // row and column of the well
  int field = 0;      // place in the 2 x 2 mosaic, from 0; 4 and above have none
  int channel = 0;    // the layout's own channel number
  int plane = 1;      // focal plane; 1 where the layout has none
  int timePoint = 1;  // acquisition of a time series, from 1; 1 where the layout has none
  /// When the picture was taken, as the name writes it (Incucyte-style
  /// "00d06h30m"); "" where the names carry none.
  std::string timeStamp;
  /// The name carries no channel: the file holds its field's channels as
  /// pages, numbered from 1 (as for a layout whose channelsAsPages()).
  bool channelPages = false;
};

/// Where one field of one channel is read: a page of a file, and what it shows.
struct FieldSource {
  std::string file;   // with its folder
  int page = 0;       // TIFF page (directory), from 0
  int channel = 0;    // the layout's channel number
  int site = 0;       // place in the well: 0..3 in the 2 x 2 order; 0 for a whole-well picture
  int timePoint = 1;  // acquisition of a time series, from 1
  int plane = 1;      // focal plane
  bool operator==(const FieldSource&) const = default;
};

/// What one page of a file holds where its OME-XML says: the layout's
/// channel number (where the file's name gives none), the time point and the
/// focal plane (from 1).
struct PagePlace {
  int channel = 0;
  int timePoint = 1;
  int plane = 1;
  bool operator==(const PagePlace&) const = default;
};

/// How the pages of a plate's files are laid out: each file holds `fields`
/// fields of `channels` channels, page = field * channels + channel (the
/// channel changing fastest); or, where the plate's first file carries
/// OME-XML, one field whose page k holds places[k].
struct FilePages {
  int fields = 1;
  int channels = 1;
  std::vector<PagePlace> places;
};

class PlateLayout {
 public:
  virtual ~PlateLayout() = default;
  /// Short name, as --layout takes it: "native", "imagexpress", "operetta", "pattern".
  virtual std::string name() const = 0;
  /// What --layout takes to choose this layout again: its name, or the pattern.
  virtual std::string option() const { return name(); }
  /// The layout and its file-name rule, for the user.
  virtual std::string title() const = 0;
  /// The field, well and channel of a field picture's name (no folder), or
  /// nothing when the name is none of this layout's (thumbnails included).
  virtual std::optional<FieldName> parse(std::string_view fileName) const = 0;
  /// The name this layout gives a field picture (a pattern writes {row} as a
  /// letter and {col} with two digits).
  virtual std::string format(const FieldName& field) const = 0;
  /// Results prefix of a plate: from the plate part of its names, or the name
  /// of its folder.
  virtual std::string prefix(const std::string& plate, const std::string& folderName) const = 0;
  /// Nuclear and cell channels when none are chosen; nothing: the two lowest found.
  virtual std::optional<std::array<int, 2>> defaultChannels() const { return std::nullopt; }
  /// How notes name field k (from 0) and channel c: "site 1", "w2".
  virtual std::string fieldLabel(int field) const = 0;
  virtual std::string channelLabel(int channel) const = 0;
  /// The channel number of an instrument's channel name ("Red"), where the
  /// layout's names carry such words; nothing otherwise.
  virtual std::optional<int> channelOfWord(std::string_view) const { return std::nullopt; }
  /// Whether the names carry a focal plane.
  virtual bool hasPlanes() const { return false; }
  /// Whether the names carry a time point.
  virtual bool hasTimePoints() const { return false; }
  /// Whether the names carry no channel: a file holds its field's channels
  /// as pages, numbered from 1 in page order.
  virtual bool channelsAsPages() const { return false; }
  /// Whether the names carry no field: a file holds a whole well, as one
  /// picture of it or as its fields in pages.
  virtual bool wholeWellFiles() const { return false; }
};

/// The field sources of one file named `name` (parsed by layout) whose pages
/// are laid out as `pages`: one source per page, in page order (with
/// pages.places, the channel, time point and plane of each page).
std::vector<FieldSource> FieldSourcesOf(const std::string& file, const FieldName& name,
                                        const PlateLayout& layout, const FilePages& pages);

/// <prefix><well>f0<field>d<channel>.tif; fields 0..3; d0 nuclear, d1 cell.
std::unique_ptr<PlateLayout> NativeLayout();
/// <plate>_<well>_s<site>_w<n>[<32 hex digits>].tif|.TIF; "_thumb" files ignored.
std::unique_ptr<PlateLayout> ImageXpressLayout();
/// r<RR>c<CC>f<FF>p<PP>-ch<N>sk<T>fk1fl1.tiff; prefix from the folder's name.
std::unique_ptr<PlateLayout> OperettaLayout();
/// [<vessel>_][<channel>_]<well>_<image>_<stamp>.tif, the stamp elapsed
/// (00d06h30m) or a date and time (20y03m14d_10h30m).
std::unique_ptr<PlateLayout> IncucyteLayout();
/// A user pattern with {plate}, {well}, {row}, {col}, {field}, {channel} and
/// optionally {time}. Without {channel} a file holds its field's channels as
/// pages; without {field} a file holds the whole well.
/// Throws Error naming the pattern and the fault when it cannot be used.
std::unique_ptr<PlateLayout> PatternLayout(const std::string& pattern);

/// The built-in layouts in the order detection prefers them.
std::vector<std::unique_ptr<PlateLayout>> BuiltInLayouts();

/// The layout of a --layout value: a built-in layout's name or a user
/// pattern (any value with a "{"). Throws Error with a message for the user.
std::unique_ptr<PlateLayout> LayoutFromOption(const std::string& value);

/// "NUCLEAR,CELL" as two different channel numbers ("1,2", "2,0").
/// Throws Error naming the text when it is anything else.
std::array<int, 2> ParseChannelChoice(std::string_view text);

}  // namespace vembrel
