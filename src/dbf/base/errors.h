// The exceptions of the table module. Every failure of the table engine, of
// filter expressions and of the dataset layer leaves as one of these, carrying
// its fixed message text; extra data (an expression's error position) is
// exposed through typed accessors so nobody parses it back out of what().
#pragma once

#include <stdexcept>
#include <string>

namespace zakaz::dbf {

// Failures of the table engine: files, headers, records, columns.
class ETableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An enciphered table was opened; this system never holds a key.
class ETableEncryption : public ETableError {
 public:
  using ETableError::ETableError;
};

// Failures of compiling or evaluating a filter expression. Position() is the
// character position in the expression text the failure refers to (0 when it
// refers to no particular place).
class EExpressionError : public std::runtime_error {
 public:
  explicit EExpressionError(const std::string& message, int position = 0)
      : std::runtime_error(message), position_(position) {}

  int Position() const { return position_; }

 private:
  int position_;
};

// Failures of the dataset layer (state errors, field binding, posting).
class EDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace zakaz::dbf
