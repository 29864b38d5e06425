#include "skin/core/sSkinStartup.h"

#include "skin/controls/sSkinMenusPaint.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinMenus.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/paint/sSkinLoad.h"
#include "skin/paint/sStyleSimply.h"

namespace korv {

namespace {
bool gStarted = false;
}

const TLibraryUnit SkinUnit{"the skin units", kSkinUnitOrder, &SkinUnitsStartup, &SkinUnitsShutdown,
                            []() noexcept { return gStarted; }};
// Linked into every program that links this library (its target asks the linker for it).
extern "C" const TLibraryUnitRegistration korv_skin_unit(SkinUnit);

void RequireSkinUnits(const std::string& what) {
  RequireStarted(SkinUnit, what);
  RequireStarted(ClassLibUnit, what);
}

void SkinUnitsStartup() {
  if (gStarted) return;
  SkinMessagesStartup();
  SkinMenusStartup();
  RegisterClass(TsSkinManager::StaticClass());
  SkinLoadStartup();
  SectionPaintingStartup();
  SkinProviderStartup();
  SkinMenusPaintingStartup();
  gStarted = true;
}

void SkinUnitsShutdown() noexcept {
  if (!gStarted) return;
  SkinMenusPaintingShutdown();
  SkinProviderShutdown();
  SectionPaintingShutdown();
  SkinLoadShutdown();
  UnRegisterClass(TsSkinManager::StaticClass());
  SkinMenusShutdown();
  SkinMessagesShutdown();
  gStarted = false;
}

}  // namespace korv
