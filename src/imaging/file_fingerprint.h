#pragma once
// Fingerprints of input files: their size and XXH3-64 hash, taken from the
// bytes the loader read, so a run can record which pictures it analysed
// and a later reader can tell whether they changed.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vembrel {

struct FileFingerprint {
  std::uint64_t size = 0;  // bytes
  std::uint64_t xxh3 = 0;  // XXH3-64 of those bytes, seed 0
  bool operator==(const FileFingerprint&) const = default;
};

/// The fingerprint of bytes in memory.
FileFingerprint FingerprintOf(const void* bytes, std::size_t size);

/// The fingerprint of an open regular file read from its start to its end;
/// none when a read fails.
std::optional<FileFingerprint> FingerprintOfDescriptor(int fd);

/// The hash as 16 lower-case hex digits, as `xxh64sum -H3` prints it.
std::string FingerprintText(std::uint64_t xxh3);

}  // namespace vembrel
