// Helpers of the shell component's tests. Sandbox folders, a closer of confirmation dialogs, the
// clipboard read back as file names, the shell's own verb identifiers for a set of files (the
// oracle for picking a command) and the picker of popup-menu commands come from the shared test
// support.
#pragma once

#include <shlobj.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/Clipboard.h"
#include "support/DialogCloser.h"
#include "support/MenuDriver.h"
#include "support/Sandbox.h"
#include "support/ShellVerbs.h"

namespace korv::test {

[[nodiscard]] bool PathExists(const std::wstring& path);

// Case-insensitive comparison of two sets of paths.
[[nodiscard]] bool SamePathSet(std::vector<std::wstring> a, std::vector<std::wstring> b);

}  // namespace korv::test
