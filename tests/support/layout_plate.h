#pragma once
// Field pictures written in any plate layout from mosaic patterns.
#include <array>
#include <functional>
#include <string>

#include "imaging/picture.h"
#include "support/pictures.h"

namespace vembrel::testing {

/// A layout's name for a field picture: well name, field counted from 0 and
/// the layout's channel number.
using FieldNamer = std::function<std::string(const std::string& well, int field, int channel)>;

/// <prefix><well>f0<field>d<channel>.tif
FieldNamer NativeNames(const std::string& prefix);
/// <plate>_<well>_s<field + 1>_w<channel>.tif, or with a 32-digit hex
/// identifier after the wavelength and ".TIF".
FieldNamer ImageXpressNames(const std::string& plate, bool identified = false);
/// r<RR>c<CC>f<field + 1>p<plane>-ch<channel>sk<timePoint>fk1fl1.tiff, two digits each.
FieldNamer OperettaNames(int plane = 1, int timePoint = 1);

/// Writes folder/names(well, field, channel): the field's quadrant of the
/// pattern (fields 4 and above repeat field 0) as side x side pixels, sampled
/// down or up from the quadrant's 512 x 512.
void WriteLayoutField(const std::string& folder, const FieldNamer& names, const std::string& well,
                      int field, int channel, const MosaicGrey& grey, int side = kFieldSize);

/// The nuclear channel from blue and the cell channel from green, for every
/// field whose bit is set in the channel's mask.
void WriteLayoutWell(const std::string& folder, const FieldNamer& names, const std::string& well,
                     std::array<int, 2> channels, const MosaicGrey& blue, const MosaicGrey& green,
                     int blueFields = 0xF, int greenFields = 0xF);

}  // namespace vembrel::testing
