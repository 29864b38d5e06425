// The shell's own command identifiers for a set of files: the oracle of tests that pick a command
// from a shell context menu.
#pragma once

// <windows.h> goes first: the other platform headers need it.
// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include <map>
#include <string>
#include <vector>

namespace korv::test {

// The shell's command identifiers (id = offset + 1, as a menu merged with first id 1 has them) by
// verb for names of one folder, asked from the shell directly with the given query flags. Empty
// when the shell cannot give a menu for them.
[[nodiscard]] std::map<std::string, UINT> ShellVerbIds(const std::wstring& folder,
                                                       const std::vector<std::wstring>& names,
                                                       UINT flags = CMF_EXPLORE);

}  // namespace korv::test
