// Where the tests find the project's own skin: the build tree's skins folder beside tests/.
#pragma once

#include <string>

#include "classlib/SysUtils.h"

namespace korv::test {

inline std::string ProjectSkinFolder() { return ExpandFileName(ExeFolder() + "..\\skins\\Korvani\\"); }

}  // namespace korv::test
