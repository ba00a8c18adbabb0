#pragma once
// How many bits of their 16-bit samples a camera's pictures really use.
#include <string>
#include <vector>

namespace vembrel {

/// The input bits (FieldLoadOptions::inputBits) suited to a well's field
/// files: when the 16-bit grey pictures among them hold no value above 1023,
/// 4095 or 16383, 10, 12 or 14; otherwise 16. 8 when every picture read is an
/// 8-bit grey one; 16 when none can be read. Files that are missing or
/// unreadable, strips that cannot be decoded and layouts other than plain grey
/// are passed over. One pass over the samples of each file.
int ProbeInputBits(const std::vector<std::string>& fieldFiles);

/// What the probe found: the bits, and what the pictures are.
struct InputPictures {
  int bits = 16;
  /// "16-bit grey", "8-bit grey", or for pictures read through libtiff's
  /// colour conversion (8 bits a channel) what the first of them is:
  /// "8-bit RGB", "16-bit RGB", "palette", "1-bit", "4-bit grey", ...;
  /// "" when no picture could be read.
  std::string kind;
};
/// ProbeInputBits, telling also what the pictures are: pictures read through
/// the colour conversion count as 8-bit ones.
InputPictures ProbeInputPictures(const std::vector<std::string>& fieldFiles);

}  // namespace vembrel
