#pragma once

// Results of operations that can fail in a way the user must hear about.
// Library code returns them; only the front ends (the window, vnk) decide how
// to show the message.

#include <string>
#include <utility>
#include <variant>

namespace vornak {

// A failure, with the complete text shown to the user.
struct Failure {
  std::string message;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::move(value)) {}
  Result(Failure failure) : state_(std::move(failure)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const std::string& message() const { return std::get<1>(state_).message; }
  Failure failure() const { return std::get<1>(state_); }

 private:
  std::variant<T, Failure> state_;
};

// The result of an operation that yields nothing but success or a failure.
using Status = Result<std::monostate>;

inline Status Ok() { return std::monostate{}; }

}  // namespace vornak
