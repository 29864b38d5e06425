#include "classlib/Startup.h"

#include <algorithm>

#include "classlib/Forms.h"

namespace korv {

namespace {

// The registered units, in no particular order.
std::vector<const TLibraryUnit*>& Units() {
  static std::vector<const TLibraryUnit*> units;
  return units;
}

bool gStartupAlive = false;

}  // namespace

const TLibraryUnit ClassLibUnit{"the class library (Application and Screen)", kClassLibUnitOrder, &InitClassLib,
                                &DoneClassLib, []() noexcept { return Application && Screen; }};
namespace {
const TLibraryUnitRegistration gClassLibRegistration(ClassLibUnit);
}

TLibraryUnitRegistration::TLibraryUnitRegistration(const TLibraryUnit& unit) : FUnit(&unit) {
  Units().push_back(FUnit);
}

TLibraryUnitRegistration::~TLibraryUnitRegistration() { std::erase(Units(), FUnit); }

void RequireStarted(const TLibraryUnit& unit, const std::string& what) {
  if (unit.Started()) return;
  throw ENotStarted(what + " is used before the library's start-up: " + unit.Name +
                    " not started. Create one korv::TLibraryStartup at the start of the program.");
}

TLibraryStartup::TLibraryStartup() {
  if (gStartupAlive) throw EInvalidOperation("The library is started already: a program creates one TLibraryStartup");
  std::vector<const TLibraryUnit*> units = Units();
  std::stable_sort(units.begin(), units.end(),
                   [](const TLibraryUnit* a, const TLibraryUnit* b) { return a->Order < b->Order; });
  FStarted.reserve(units.size());  // a unit that started is always recorded
  try {
    for (const TLibraryUnit* unit : units) {
      // A unit the program started itself stays its business.
      if (unit->Started()) continue;
      unit->Start();
      FStarted.push_back(unit);
    }
  } catch (...) {
    StopUnits();
    throw;
  }
  gStartupAlive = true;
}

TLibraryStartup::~TLibraryStartup() {
  StopUnits();
  gStartupAlive = false;
}

void TLibraryStartup::StopUnits() noexcept {
  while (!FStarted.empty()) {
    FStarted.back()->Stop();
    FStarted.pop_back();
  }
}

}  // namespace korv
