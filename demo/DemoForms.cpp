#include "DemoForms.h"

#include <windows.h>

#include "classlib/Forms.h"
#include "classlib/Streaming.h"

namespace korv {

void ReadStoredForm(TCustomForm* form, const char* resName) {
  ReadComponentResource(GetModuleHandleA(nullptr), resName, form);
}

}  // namespace korv
