#include "imaging/field_reduction.h"

#include <algorithm>
#include <cstring>

namespace vembrel {

AreaReducer::AreaReducer(int sourceSide, int channels, int valueBytes, int outputSide)
    : n_(sourceSide),
      m_(outputSide),
      channels_(channels),
      valueBytes_(valueBytes),
      block_(sourceSide % outputSide == 0 ? sourceSide / outputSide : 0),
      out_(static_cast<std::size_t>(sourceSide)),
      first_(static_cast<std::size_t>(sourceSide)),
      rowSum_(static_cast<std::size_t>(outputSide + 1) * channels),  // + 1: a spill that weighs 0
      current_(static_cast<std::size_t>(outputSide) * channels),
      next_(static_cast<std::size_t>(outputSide) * channels),
      means_(static_cast<std::size_t>(outputSide) * channels) {
  const std::int64_t n = sourceSide;
  for (std::int64_t s = 0; s < n; ++s) {
    const std::int64_t out = std::int64_t{m_} * s / n;
    out_[s] = static_cast<int>(out);
    first_[s] = static_cast<int>(std::min<std::int64_t>(m_, (out + 1) * n - std::int64_t{m_} * s));
  }
}

namespace {

template <class T>
std::uint64_t ValueAt(const std::uint8_t* values, std::size_t index) {
  T value;  // the bytes come from a decoder's byte buffer
  std::memcpy(&value, values + index * sizeof(T), sizeof(T));
  return value;
}

}  // namespace

template <class T>
void AreaReducer::sumRow(const std::uint8_t* values) {
  std::fill(rowSum_.begin(), rowSum_.end(), 0);
  if (values == nullptr) return;
  const int c = channels_;
  if (block_ != 0) {
    // Whole blocks: plain sums (the common weight 512 cancels in the mean).
    for (int out = 0; out < m_; ++out) {
      const std::size_t first = static_cast<std::size_t>(out) * block_ * c;
      for (int channel = 0; channel < c; ++channel) {
        std::uint64_t sum = 0;
        for (int j = 0; j < block_; ++j) sum += ValueAt<T>(values, first + j * c + channel);
        rowSum_[out * c + channel] = sum;
      }
    }
    return;
  }
  for (int s = 0; s < n_; ++s) {
    const std::uint64_t weight = static_cast<std::uint64_t>(first_[s]);
    std::uint64_t* sum = rowSum_.data() + static_cast<std::size_t>(out_[s]) * c;
    for (int channel = 0; channel < c; ++channel) {
      const std::uint64_t v = ValueAt<T>(values, static_cast<std::size_t>(s) * c + channel);
      sum[channel] += weight * v;
      sum[c + channel] += (m_ - weight) * v;
    }
  }
}

const std::uint32_t* AreaReducer::finishRow() {
  const int row = row_++;
  const std::size_t count = current_.size();
  if (block_ != 0) {
    for (std::size_t i = 0; i < count; ++i) current_[i] += rowSum_[i];
    if (row_ % block_ != 0) return nullptr;
    const std::uint64_t divisor = static_cast<std::uint64_t>(block_) * block_;
    for (std::size_t i = 0; i < count; ++i) {
      means_[i] = static_cast<std::uint32_t>(current_[i] / divisor);
      current_[i] = 0;
    }
    return means_.data();
  }
  const std::uint64_t weight = static_cast<std::uint64_t>(first_[row]);
  for (std::size_t i = 0; i < count; ++i) {
    current_[i] += weight * rowSum_[i];
    next_[i] += (m_ - weight) * rowSum_[i];
  }
  // The output row is complete once this source row reaches its lower edge.
  const std::int64_t out = out_[row];
  if (std::int64_t{m_} * row_ < (out + 1) * n_) return nullptr;
  const std::uint64_t divisor = static_cast<std::uint64_t>(n_) * static_cast<std::uint64_t>(n_);
  for (std::size_t i = 0; i < count; ++i) {
    means_[i] = static_cast<std::uint32_t>(current_[i] / divisor);
  }
  current_.swap(next_);
  std::fill(next_.begin(), next_.end(), 0);
  return means_.data();
}

const std::uint32_t* AreaReducer::addRow(const std::uint8_t* values) {
  if (valueBytes_ == 2) {
    sumRow<std::uint16_t>(values);
  } else {
    sumRow<std::uint8_t>(values);
  }
  return finishRow();
}

}  // namespace vembrel
