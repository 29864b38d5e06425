// The message of the error a unit used before the library's start-up raises.
#pragma once

#include <functional>
#include <string>

#include "classlib/Startup.h"

namespace korv::test {

// The message of the ENotStarted that use raises; empty when it raises none.
inline std::string NotStartedError(const std::function<void()>& use) {
  try {
    use();
  } catch (const ENotStarted& e) {
    return e.Message();
  }
  return {};
}

}  // namespace korv::test
