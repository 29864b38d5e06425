#include "classlib/WindowBinding.h"

#include <cstddef>
#include <functional>
#include <unordered_map>
#include <utility>

namespace korv {

namespace {

using TBindingKey = std::pair<const char*, HWND>;

struct TBindingKeyHash {
  size_t operator()(const TBindingKey& k) const noexcept {
    return std::hash<const void*>()(k.first) * 31 ^ std::hash<const void*>()(k.second);
  }
};

// A window's messages come on the thread that made it: each thread keeps the bindings of its own,
// in a table made by its first binding and freed with its last (a thread-local table with a
// destructor of its own crashed at the exit of a thread with this runtime; a plain pointer does not).
using TBindingTable = std::unordered_map<TBindingKey, void*, TBindingKeyHash>;
thread_local TBindingTable* GBindings = nullptr;

}  // namespace

bool TWindowBinding::Bind(HWND wnd, void* object) const noexcept {
  if (!SetPropA(wnd, FProperty, object)) return false;
  try {
    if (!GBindings) GBindings = new TBindingTable;
    (*GBindings)[TBindingKey(FProperty, wnd)] = object;
  } catch (...) {
    // Without memory Find reads the property.
  }
  return true;
}

void TWindowBinding::Unbind(HWND wnd) const noexcept {
  RemovePropA(wnd, FProperty);
  if (!GBindings) return;
  GBindings->erase(TBindingKey(FProperty, wnd));
  if (GBindings->empty()) {
    delete GBindings;
    GBindings = nullptr;
  }
}

void* TWindowBinding::Find(HWND wnd) const noexcept {
  if (GBindings) {
    const auto it = GBindings->find(TBindingKey(FProperty, wnd));
    if (it != GBindings->end()) return it->second;
  }
  return GetPropA(wnd, FProperty);
}

}  // namespace korv
