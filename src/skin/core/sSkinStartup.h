// Start-up and shut-down of the skin units, in their order. A program calls SkinUnitsStartup once
// before it creates its forms (after the other component units, before or after the class
// library's application) and SkinUnitsShutdown at the end.
#pragma once

#include <string>

#include "classlib/Startup.h"

namespace korv {

// The skin command message and the program's icons, the menu painter's platform test, the skin
// manager's class made known to the component streaming, the picture and colour passes of skin
// loading installed for every manager, the section painter behind the controls' caches, the form
// skin provider's class made known to the component streaming, and the skinned menus' painting.
// Calling it again does nothing.
void SkinUnitsStartup();
// The reverse.
void SkinUnitsShutdown() noexcept;

// The skin units as the library's start-up runs them.
extern const TLibraryUnit SkinUnit;
// Raises ENotStarted for what (a skin component's class) unless the skin units and the class
// library run: a skin component made without them would be skinned by halves.
void RequireSkinUnits(const std::string& what);

}  // namespace korv
