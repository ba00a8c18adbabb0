#pragma once
// The one error convention of Vembrel: every failure is thrown as vembrel::Error
// carrying a message for the user that names the file or value at fault.
#include <stdexcept>
#include <string>

namespace vembrel {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Input that cannot be used at all: a bad option, a missing picture, a
/// results folder that cannot be made or is in use. The command line exits
/// with 2 for it (1 is for work that failed).
class UsageError : public Error {
 public:
  using Error::Error;
};

/// A text that does not convert to a number. The message is the one users know
/// from the settings dialogs: "'abc' is not a valid integer value".
class ConversionError : public Error {
 public:
  using Error::Error;
};

/// A value of the wrong kind where a setting or option wants another: a text
/// for a whole number, a number for a flag, a list for a group of settings.
class WrongTypeError : public Error {
 public:
  using Error::Error;
};

/// Failures of the curve fitting (singular systems, too few points).
class MathError : public Error {
 public:
  using Error::Error;
};

}  // namespace vembrel
