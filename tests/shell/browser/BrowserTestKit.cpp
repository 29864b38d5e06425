#include "BrowserTestKit.h"

#include <gtest/gtest.h>
#include <ole2.h>

#include <algorithm>

#include "classlib/Handles.h"
#include "shell/browser/ShellBrowser.h"
#include "shell/browser/Shell_Win32.h"
#include "shell/unicode/TntSysUtils.h"

namespace korv::test {

namespace {

// Start-up and shut-down of the shell units around the whole test program.
class TShellEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    InitializeShellWin32();
    InitializeShellBrowser();
  }
  void TearDown() override {
    FinalizeShellBrowser();
    FinalizeShellWin32();
  }
};
[[maybe_unused]] ::testing::Environment* const gShellEnvironment =
    ::testing::AddGlobalTestEnvironment(new TShellEnvironment);

}  // namespace

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool SamePathSet(std::vector<std::wstring> a, std::vector<std::wstring> b) {
  if (a.size() != b.size()) return false;
  auto upper = [](std::vector<std::wstring>& v) {
    for (std::wstring& s : v) s = WideUpperCaseEx(s);
    std::sort(v.begin(), v.end());
  };
  upper(a);
  upper(b);
  return a == b;
}

std::map<std::string, UINT> ShellVerbIds(const std::wstring& folder, const std::vector<std::wstring>& names,
                                         UINT flags) {
  std::map<std::string, UINT> ids;
  TComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.Put()))) return ids;
  std::wstring f = folder;
  TIDList folderList;
  ULONG eaten = 0;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, f.data(), &eaten, folderList.Put(), nullptr))) return ids;
  TComPtr<IShellFolder> sf;
  if (FAILED(desktop->BindToObject(folderList.Get(), nullptr, IID_IShellFolder, sf.PutVoid()))) return ids;
  std::vector<TIDList> items;
  std::vector<LPCITEMIDLIST> raw;
  for (std::wstring n : names) {
    TIDList item;
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

// ---------------------------------------------------------------------------------------------
// Dialog closer

namespace {
TDialogCloser* gCloser = nullptr;

BOOL CALLBACK FindVisibleDialog(HWND w, LPARAM lp) {
  if (WindowClassOf(w) == "#32770" && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

TDialogCloser::TDialogCloser(int button) : Button_(button), Start_(GetTickCount()) {
  gCloser = this;
  Poll_ = SetTimer(nullptr, 0, 50, &Tick);
}

TDialogCloser::~TDialogCloser() {
  KillTimer(nullptr, Poll_);
  gCloser = nullptr;
}

void CALLBACK TDialogCloser::Tick(HWND, UINT, UINT_PTR, DWORD) {
  TDialogCloser* c = gCloser;
  if (!c || c->Closed_) return;
  if (static_cast<LONG>(GetTickCount() - c->Start_) > 6000) return;
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  c->Closed_ = true;
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(c->Button_, BN_CLICKED), 0);
}

}  // namespace korv::test
