#include "support/ShellVerbs.h"

#include "classlib/Handles.h"

namespace korv::test {

std::map<std::string, UINT> ShellVerbIds(const std::wstring& folder, const std::vector<std::wstring>& names,
                                         UINT flags) {
  std::map<std::string, UINT> ids;
  TComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.Put()))) return ids;
  std::wstring f = folder;
  TCoTaskPtr<ITEMIDLIST> folderList;
  ULONG eaten = 0;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, f.data(), &eaten, folderList.Put(), nullptr))) return ids;
  TComPtr<IShellFolder> sf;
  if (FAILED(desktop->BindToObject(folderList.Get(), nullptr, IID_IShellFolder, sf.PutVoid()))) return ids;
  std::vector<TCoTaskPtr<ITEMIDLIST>> items;
  std::vector<LPCITEMIDLIST> raw;
  for (std::wstring n : names) {
    TCoTaskPtr<ITEMIDLIST> item;
    if (FAILED(sf->ParseDisplayName(nullptr, nullptr, n.data(), &eaten, item.Put(), nullptr))) return ids;
    raw.push_back(item.Get());
    items.push_back(std::move(item));
  }
  TComPtr<IContextMenu> cm;
  if (FAILED(sf->GetUIObjectOf(nullptr, static_cast<UINT>(raw.size()), raw.data(), IID_IContextMenu, nullptr,
                               cm.PutVoid())))
    return ids;
  TUniqueMenu menu(CreatePopupMenu());
  if (FAILED(cm->QueryContextMenu(menu.Get(), 0, 1, 255, flags))) return ids;
  int count = GetMenuItemCount(menu.Get());
  for (int i = 0; i < count; ++i) {
    UINT id = GetMenuItemID(menu.Get(), i);
    if (id == 0 || id == 0xFFFFFFFF || id > 255) continue;
    char verb[260] = {};
    if (SUCCEEDED(cm->GetCommandString(id - 1, GCS_VERBA, nullptr, verb, sizeof verb - 1)) && verb[0]) ids[verb] = id;
  }
  return ids;
}

}  // namespace korv::test
