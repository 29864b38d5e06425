// An object bound to a window: kept in a window property, which any code of the process can read,
// and in a table of the window's thread, which the window's procedure reads. Under Wine every read
// of a window property is a round trip to the server (some 50 us), which a window procedure would
// otherwise pay at every message.
#pragma once

#include <windows.h>

namespace korv {

class TWindowBinding {
 public:
  explicit constexpr TWindowBinding(const char* property) noexcept : FProperty(property) {}

  // Binds the object to the window, on the window's thread; false when the property cannot be set.
  bool Bind(HWND wnd, void* object) const noexcept;
  // Ends the binding (property and table).
  void Unbind(HWND wnd) const noexcept;
  // The bound object, or nullptr: from the thread's table, else from the property (a window of
  // another thread, or one bound while the table had no memory).
  [[nodiscard]] void* Find(HWND wnd) const noexcept;

 private:
  const char* FProperty;
};

}  // namespace korv
