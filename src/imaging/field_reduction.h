#pragma once
// Reduction of a large square picture to the 512 x 512 of a mosaic quarter (or
// the 1024 x 1024 of a whole mosaic), fed one source row at a time so a large
// picture is never held whole.
#include <cstdint>
#include <vector>

namespace vembrel {

/// Area averaging of a square picture of side n > m down to m x m (m = 512
/// for a field, 1024 for a picture of the whole well), in integers so results
/// never depend on the platform. Output pixel (X, Y) is
///   floor( sum over source pixels (x, y) of a(x, X) * a(y, Y) * v(x, y) / n^2 )
/// where a(s, S) = | [m s, m s + m) intersected with [n S, n S + n) | is
/// the overlap of source pixel s with output pixel S, both measured in 1/m
/// of a source pixel. For n = k * m this is the mean of each k x k block,
/// rounded down. Each channel of interleaved values is reduced on its own.
class AreaReducer {
 public:
  static constexpr int kSide = 512;

  /// sourceSide above outputSide (and at most 65536); channels 1 to 4, each
  /// value of valueBytes 1 or 2 (in host order).
  AreaReducer(int sourceSide, int channels, int valueBytes, int outputSide = kSide);

  /// Adds the next source row, top row first: sourceSide * channels values,
  /// or nullptr for a row of zeros. Returns the output row this source row
  /// completes (outputSide * channels means, rows top first), valid until the next
  /// call, or nullptr when it completes none.
  const std::uint32_t* addRow(const std::uint8_t* values);

  int sourceSide() const { return n_; }

 private:
  template <class T>
  void sumRow(const std::uint8_t* values);
  const std::uint32_t* finishRow();

  int n_;
  int m_;  // the output side
  int channels_;
  int valueBytes_;
  int block_;                          // n / m when n is a multiple of m, else 0
  int row_ = 0;                        // source rows added so far
  std::vector<int> out_;               // per source index: the output index its start lies in
  std::vector<int> first_;             // per source index: its overlap with that output (1..m)
  std::vector<std::uint64_t> rowSum_;  // the current source row, summed per output column
  std::vector<std::uint64_t> current_, next_;  // weighted sums of output rows
  std::vector<std::uint32_t> means_;
};

}  // namespace vembrel
