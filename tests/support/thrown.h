#pragma once
// The message of the exception a call throws, for tests of refusals.
#include <string>
#include <utility>

namespace vembrel::testing {

/// The text of the E that call() throws, or "<nothing thrown>" when it returns;
/// an exception of another type passes through and fails the test.
template <typename E, typename Call>
std::string Thrown(Call&& call) {
  try {
    std::forward<Call>(call)();
  } catch (const E& e) {
    return e.what();
  }
  return "<nothing thrown>";
}

}  // namespace vembrel::testing
