#include "DemoTestKit.h"

#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "DemoSetup.h"
#include "classlib/Handles.h"
#include "classlib/SysUtils.h"

namespace korv::test {

namespace {
[[maybe_unused]] ::testing::Environment* const gDemoEnvironment =
    ::testing::AddGlobalTestEnvironment(new TDemoEnvironment);

constexpr char kSandboxPrefix[] = "korv-demo-test-";

void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = dir + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full + "\\");
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(h, &fd));
    ::FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

std::string ClassOf(HWND wnd) {
  char name[64] = {};
  GetClassNameA(wnd, name, sizeof name);
  return name;
}

BOOL CALLBACK FindVisibleMenu(HWND w, LPARAM lp) {
  if (ClassOf(w) == "#32768" && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}

void PostKey(HWND wnd, WORD key) {
  PostMessageA(wnd, WM_KEYDOWN, key, 1);
  PostMessageA(wnd, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

int HighlightedPosition(HMENU menu) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i)
    if (GetMenuState(menu, i, MF_BYPOSITION) & MF_HILITE) return i;
  return -1;
}

TMenuPicker* gPicker = nullptr;
}  // namespace

void TDemoEnvironment::SetUp() { StartComponentUnits(); }
void TDemoEnvironment::TearDown() { StopComponentUnits(); }

// ---------------------------------------------------------------------------------------------
// Sandbox

TDemoSandbox::TDemoSandbox() {
  const std::string temp = GetTempDir();
  static std::atomic<int> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = temp + kSandboxPrefix + std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(GetTickCount()) + "-" + std::to_string(counter++);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      Root_ = ExpandFileName(candidate) + "\\";
      return;
    }
  }
  throw std::runtime_error("cannot create a sandbox folder");
}

TDemoSandbox::~TDemoSandbox() {
  // Only the folder this object made is ever removed.
  if (Root_.find(kSandboxPrefix) != std::string::npos) RemoveTree(Root_);
}

std::string TDemoSandbox::File(const std::string& name, const std::string& content) {
  std::string full = Root_ + name;
  HANDLE h = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a sandbox file");
  DWORD written = 0;
  WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(h);
  return full;
}

std::string TDemoSandbox::Dir(const std::string& name) {
  std::string full = Root_ + name;
  CreateDirectoryA(full.c_str(), nullptr);
  return full;
}

// ---------------------------------------------------------------------------------------------
// Clipboard and drop data

void ClearClipboard() {
  OleSetClipboard(nullptr);
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
}

std::vector<std::string> DropFiles(HDROP drop) {
  std::vector<std::string> files;
  UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT len = DragQueryFileA(drop, i, nullptr, 0);
    std::string name(len + 1, '\0');
    DragQueryFileA(drop, i, name.data(), len + 1);
    name.resize(len);
    files.push_back(name);
  }
  return files;
}

std::vector<std::string> ClipboardFiles() {
  std::vector<std::string> files;
  TComPtr<IDataObject> data;
  if (FAILED(OleGetClipboard(data.Put())) || !data) return files;
  FORMATETC fe{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&fe, &medium))) return files;
  if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) files = DropFiles(static_cast<HDROP>(medium.hGlobal));
  ReleaseStgMedium(&medium);
  return files;
}

bool SamePathSet(std::vector<std::string> a, std::vector<std::string> b) {
  if (a.size() != b.size()) return false;
  auto norm = [](std::vector<std::string>& v) {
    for (std::string& s : v) s = AnsiUpperCase(s);
    std::sort(v.begin(), v.end());
  };
  norm(a);
  norm(b);
  return a == b;
}

std::map<std::string, UINT> ShellVerbIds(const std::string& folder, const std::vector<std::string>& names) {
  std::map<std::string, UINT> ids;
  TComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.Put()))) return ids;
  std::wstring f = AnsiToWide(folder);
  TCoTaskPtr<ITEMIDLIST> folderList;
  ULONG eaten = 0;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, f.data(), &eaten, folderList.Put(), nullptr))) return ids;
  TComPtr<IShellFolder> sf;
  if (FAILED(desktop->BindToObject(folderList.Get(), nullptr, IID_IShellFolder, sf.PutVoid()))) return ids;
  std::vector<TCoTaskPtr<ITEMIDLIST>> items;
  std::vector<LPCITEMIDLIST> raw;
  for (const std::string& n : names) {
    std::wstring w = AnsiToWide(n);
    TCoTaskPtr<ITEMIDLIST> item;
    if (FAILED(sf->ParseDisplayName(nullptr, nullptr, w.data(), &eaten, item.Put(), nullptr))) return ids;
    raw.push_back(item.Get());
    items.push_back(std::move(item));
  }
  TComPtr<IContextMenu> cm;
  if (FAILED(sf->GetUIObjectOf(nullptr, static_cast<UINT>(raw.size()), raw.data(), IID_IContextMenu, nullptr,
                               cm.PutVoid())))
    return ids;
  TUniqueMenu menu(CreatePopupMenu());
  if (FAILED(cm->QueryContextMenu(menu.Get(), 0, 1, 255, CMF_EXPLORE))) return ids;
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
// Menu picker

TMenuPicker::TMenuPicker(std::function<HMENU()> menu, UINT id) : Menu_(std::move(menu)), Id_(id) {
  gPicker = this;
  Poll_ = SetTimer(nullptr, 0, 20, &Tick);
  SafetyTimer_ = SetTimer(nullptr, 0, 6000, &Safety);
}

TMenuPicker::~TMenuPicker() {
  KillTimer(nullptr, Poll_);
  KillTimer(nullptr, SafetyTimer_);
  gPicker = nullptr;
}

void CALLBACK TMenuPicker::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (gPicker) gPicker->Step();
}

void CALLBACK TMenuPicker::Safety(HWND, UINT, UINT_PTR, DWORD) {
  if (gPicker) gPicker->SafetyFired_ = true;
  EndMenu();
}

void TMenuPicker::Step() {
  if (Picked_) return;
  HWND window = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindVisibleMenu, reinterpret_cast<LPARAM>(&window));
  if (!window) return;
  SawWindow_ = true;
  HMENU menu = Menu_ ? Menu_() : nullptr;
  if (!menu) return;
  int pos = HighlightedPosition(menu);
  // One key at a time: the next goes only after the last one moved the highlight (or after a
  // while, when something else, a mouse move over the menu, took the highlight back meanwhile).
  if (WaitingForMove_ && pos == LastHighlight_ && ++Stalled_ < 10) return;
  WaitingForMove_ = false;
  Stalled_ = 0;
  if (pos >= 0 && GetMenuItemID(menu, pos) == Id_) {
    Picked_ = true;
    PostKey(window, VK_RETURN);
    return;
  }
  LastHighlight_ = pos;
  WaitingForMove_ = true;
  PostKey(window, VK_DOWN);
}

// ---------------------------------------------------------------------------------------------
// Drop target

HRESULT STDMETHODCALLTYPE TFileDropTarget::QueryInterface(REFIID iid, void** obj) {
  if (!obj) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
    *obj = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *obj = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE TFileDropTarget::DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) {
  ++Enters;
  EnterAllowed = effect ? *effect : 0;
  if (effect) *effect &= DROPEFFECT_COPY;
  Entered.Set();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TFileDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
  if (effect) *effect &= DROPEFFECT_COPY;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TFileDropTarget::DragLeave() { return S_OK; }

HRESULT STDMETHODCALLTYPE TFileDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
  ++Drops;
  FORMATETC fe{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (data && SUCCEEDED(data->GetData(&fe, &medium))) {
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) Files = DropFiles(static_cast<HDROP>(medium.hGlobal));
    ReleaseStgMedium(&medium);
  }
  if (effect) *effect &= DROPEFFECT_COPY;
  Dropped.Set();
  return S_OK;
}

namespace {
LRESULT CALLBACK DropWindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) noexcept {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_WINDOW));
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}
}  // namespace

TDropWindow::TDropWindow(const TRect& bounds, IDropTarget* target) {
  static const char* const kClass = "KorvDemoTestDropWindow";
  WNDCLASSA wc{};
  if (!GetClassInfoA(GetModuleHandleA(nullptr), kClass, &wc)) {
    wc.lpfnWndProc = &DropWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
  }
  H_ =
      CreateWindowExA(WS_EX_NOACTIVATE, kClass, "drop here", WS_POPUP | WS_BORDER | WS_VISIBLE, bounds.left, bounds.top,
                      RectWidth(bounds), RectHeight(bounds), nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (H_ && target) Registered_ = SUCCEEDED(RegisterDragDrop(H_, target));
}

TDropWindow::~TDropWindow() {
  if (Registered_) RevokeDragDrop(H_);
  if (H_) DestroyWindow(H_);
}

// ---------------------------------------------------------------------------------------------
// The demo's window

void TDemoWindowTest::SetUp() {
  InitClassLib();
  Box = std::make_unique<TDemoSandbox>();
  ClearClipboard();
}

void TDemoWindowTest::TearDown() {
  delete Form;
  Form = nullptr;
  PumpPending();
  ClearClipboard();
  Box.reset();
}

void TDemoWindowTest::OpenWindow(const std::vector<std::string>& files) {
  for (const std::string& f : files) Box->File(f, "content of " + f);
  Form = new TForm1(nullptr);
  Form->SetPosition(poDesigned);
  Form->SetBounds(20, 20, 780, 560);
  Form->ListFolder(Box->Path());
  // The pointer may rest anywhere after an earlier test: move it off the window first.
  Input([](TInputDriver& d) { d.MoveTo(1200, 1000); });
  Form->Show();
  SetForegroundWindow(Form->Handle());
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == Form->HandleIfAllocated() && Form->Active(); }))
      << "the demo's window did not become the active window";
  Form->Update();
  PumpPending();
}

void TDemoWindowTest::Input(const std::function<void(TInputDriver&)>& steps) {
  TInputDriver d;
  ASSERT_TRUE(d.Run(steps)) << d.Error();
}

TPoint TDemoWindowTest::RowPoint(int row) {
  TRect r = Form->ListView1->RowRect(row);
  return Form->ListView1->ClientToScreen(Point(r.left + 30, (r.top + r.bottom) / 2));
}

void TDemoWindowTest::ClickRow(int row, bool ctrl) {
  TPoint p = RowPoint(row);
  Input([&](TInputDriver& d) { d.MoveTo(p.x, p.y); });
  // The click goes in one batch from this thread, which meanwhile handles no message: once the
  // pointer moved, Wine brings its modifier keys back in line with the X keyboard (where Ctrl is
  // up) while it handles the display's events, and a Ctrl pressed before that would be lost.
  INPUT in[4]{};
  UINT n = 0;
  if (ctrl) {
    in[n].type = INPUT_KEYBOARD;
    in[n++].ki.wVk = VK_CONTROL;
  }
  in[n].type = INPUT_MOUSE;
  in[n++].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[n].type = INPUT_MOUSE;
  in[n++].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  if (ctrl) {
    in[n].type = INPUT_KEYBOARD;
    in[n].ki.wVk = VK_CONTROL;
    in[n++].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  ASSERT_EQ(GetForegroundWindow(), Form->Handle()) << "input needs the window in the foreground";
  ASSERT_EQ(SendInput(n, in, sizeof(INPUT)), n);
}

bool TDemoWindowTest::RightClick(TInputDriver& d, TPoint at) {
  if (!d.MoveTo(at.x, at.y)) return false;
  INPUT in[2]{};
  in[0].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
  in[1].type = INPUT_MOUSE;
  in[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  if (SendInput(2, in, sizeof(INPUT)) != 2) return d.Fail("SendInput failed");
  // Off the menu, which opens with its corner at the point: a pointer resting on its margin
  // would take the highlight away from the keys.
  return d.MoveTo(at.x - 40, at.y);
}

int TDemoWindowTest::RowOf(const std::string& name) const {
  const auto& rows = Form->ListView1->Rows();
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].Name == name) return static_cast<int>(i);
  return -1;
}

std::vector<std::string> TDemoWindowTest::PathsOf(const std::vector<int>& rows) const {
  std::vector<std::string> paths;
  for (int r : rows) paths.push_back(Form->ListView1->Rows()[static_cast<size_t>(r)].FullPath());
  return paths;
}

}  // namespace korv::test
