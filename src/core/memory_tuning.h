#pragma once
// Process-wide allocator settings for the analysis.

namespace vembrel {

/// Keeps the 4 MB picture buffers of a well in the heap once freed, so the
/// next well (or the next slider move) reuses them instead of asking the
/// kernel for fresh zeroed pages every time. Call once at start-up, before
/// any thread is started; harmless to call again.
void KeepPictureBuffersMapped();

}  // namespace vembrel
