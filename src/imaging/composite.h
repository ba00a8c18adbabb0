#pragma once
// Channel windowing and the two-channel composite.
#include <cstdint>

#include "imaging/picture.h"

namespace vembrel {

struct ChannelWindow {
  int cutoff = 0;        // "Blacked" out at: values below become 0
  int saturation = 255;  // values above become 255
  bool stretch = false;  // "Keep at full range": stretch cutoff..saturation to 0..255
};

/// The window function of one 8-bit value.
std::uint8_t WindowValue(int value, const ChannelWindow& window);

/// Nucleus marks made with the composite: 1 where its blue and green bytes
/// are at least the cut-offs, 0 elsewhere (as MarkPixelsAtLeast marks them),
/// one byte per pixel, written while the composite's rows are in cache.
struct CompositeMarks {
  int cutoffBlue = 0;
  int cutoffGreen = 0;
  std::uint8_t* marks = nullptr;  // width * height bytes
};

/// The composite: blue = window(blue mosaic), green = window(green mosaic), red 0,
/// spare byte of the blue mosaic. Grey values are read from the blue bytes.
/// Both mosaics must have the same size; composite is resized to it.
/// Returns the number of blue mosaic pixels at 255 (the saturated ones of the
/// nuclear channel), counted on the way as the mosaic is read anyway.
/// With halved, it also becomes the composite halved across and down (each
/// byte the rounded mean of its 2 x 2 block, an odd last column and row left
/// out), made row pair by row pair while the composite's rows are in cache;
/// with marks, the nucleus marks too.
std::int64_t MakeComposite(const Picture& blueMosaic, const Picture& greenMosaic,
                           const ChannelWindow& blueWindow, const ChannelWindow& greenWindow,
                           Picture& composite, Picture* halved = nullptr,
                           const CompositeMarks* marks = nullptr);
/// The same with the green mosaic's grey plane in place of the mosaic.
std::int64_t MakeComposite(const Picture& blueMosaic, const GreyPlane& greenGrey,
                           const ChannelWindow& blueWindow, const ChannelWindow& greenWindow,
                           Picture& composite, Picture* halved = nullptr,
                           const CompositeMarks* marks = nullptr);
/// The same from both mosaics' grey planes; the spare bytes are 255.
std::int64_t MakeComposite(const GreyPlane& blueGrey, const GreyPlane& greenGrey,
                           const ChannelWindow& blueWindow, const ChannelWindow& greenWindow,
                           Picture& composite, Picture* halved = nullptr,
                           const CompositeMarks* marks = nullptr);

}  // namespace vembrel
