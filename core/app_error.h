#pragma once
// The one error type the program raises: a number and a description, the two
// things the user is shown when an error reaches the event loop. The
// description is UTF-8, so that a folder's name keeps its letters whatever the
// system's code page.
#include <stdexcept>
#include <string>

namespace qb {

class AppError : public std::runtime_error {
 public:
  AppError(long number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  long number() const noexcept { return number_; }
  std::string description() const { return what(); }

 private:
  long number_;
};

}  // namespace qb
