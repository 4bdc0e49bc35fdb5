#pragma once

// Event handlers of windows and controls. Every handler runs through Fire, so
// that an exception escaping it is shown in the standard exception box and the
// program goes on.

#include <functional>
#include <type_traits>

namespace vornak::forms {

using Event = std::function<void()>;

// Runs `body`; an exception that escapes it goes to the application's
// exception box (or on to the caller when no application exists).
void Guarded(const std::function<void()>& body);

template <typename... Args>
void Fire(const std::function<void(Args...)>& handler, std::type_identity_t<Args>... args) {
  if (handler) Guarded([&] { handler(args...); });
}

}  // namespace vornak::forms
