#pragma once

#include <string>
#include <utility>
#include <variant>

namespace hm {

// Every failure that leaves the core carries one of these codes and the user-facing text
// that the window (or the unattended run) shows for it.
enum class ErrorCode {
  OpenFailed,   // an input could not be opened or read
  WriteFailed,  // an output could not be written whole
  InvalidDif,   // a DIF that fails the structural check
  BadBlock,     // a block whose bytes lie outside the image it comes from
  TooLarge,     // an input over the 16,777,215-byte limit
  BadInput,     // text or numbers that cannot be used
  Cancelled,    // the user stopped the operation
  Busy,         // another process held the file past the wait
};

struct Error {
  ErrorCode code;
  std::string message;
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::move(value)) {}
  Result(Error error) : state_(std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }

  const Error& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, Error> state_;
};

struct Done {};
using Status = Result<Done>;

inline Status success() {
  return Done{};
}

}  // namespace hm
