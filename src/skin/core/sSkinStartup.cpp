#include "skin/core/sSkinStartup.h"

#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinMenus.h"

namespace korv {

namespace {
bool gStarted = false;
}

void SkinUnitsStartup() {
  if (gStarted) return;
  SkinMessagesStartup();
  SkinMenusStartup();
  RegisterClass(TsSkinManager::StaticClass());
  gStarted = true;
}

void SkinUnitsShutdown() noexcept {
  if (!gStarted) return;
  UnRegisterClass(TsSkinManager::StaticClass());
  SkinMenusShutdown();
  SkinMessagesShutdown();
  gStarted = false;
}

}  // namespace korv
