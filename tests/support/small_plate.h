#pragma once
// A small plate of real TIFF pictures for tests of the faces: chosen wells
// with both channels, others with one channel only. Every complete well shows
// a dark disc (the ring) in the green channel with bright nuclei inside and
// outside it.
#include <string>
#include <vector>

namespace vembrel::testing {

struct SmallPlateWell {
  std::string name;                          // "A01"
  bool blue[4] = {true, true, true, true};   // "d0" picture of field 0..3 written
  bool green[4] = {true, true, true, true};  // "d1" picture of field 0..3 written
};

/// Writes folder/<prefix><well>f0<field>d<0|1>.tif for every listed well;
/// ringX, ringY (rows from the bottom) place the dark disc of radius 200.
/// Returns the path of the first picture written (any picture opens the plate).
std::string WriteSmallPlate(const std::string& folder, const std::string& prefix,
                            const std::vector<SmallPlateWell>& wells, int ringX = 480,
                            int ringY = 540);

}  // namespace vembrel::testing
