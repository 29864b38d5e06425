// The shell's icon of a file.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "classlib/SysUtils.h"
#include "skin/data/sUtils.h"

namespace korv {

std::unique_ptr<TIcon> ShellFileIcon(const std::string& fileName, UINT flags) {
  if (!FileExists(fileName)) return nullptr;
  SHFILEINFOA info{};
  if (!SHGetFileInfoA(fileName.c_str(), 0, &info, sizeof info, flags | SHGFI_ICON)) return nullptr;
  TUniqueIcon icon(info.hIcon);
  if (!icon) return nullptr;
  auto result = std::make_unique<TIcon>();
  result->SetHandle(icon.Release());
  return result;
}

}  // namespace korv
