#include "shell/browser/Shell_Win32.h"

#include <ole2.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <winnetwk.h>

#include <cstring>
#include <vector>

#include "classlib/Forms.h"
#include "shell/unicode/TntSystem.h"

namespace korv {

namespace {

struct TShellUnitState {
  TUniqueModule Shell32;
  TUniqueModule ShlwApi;
  bool OleInitialized = false;
  bool MissingDllReported = false;
  std::string StartupError;
  TShellEntryPoints EntryPoints;
};

TShellUnitState& UnitState() noexcept {
  static TShellUnitState state;
  return state;
}

// The byte count of the item at p; below 2 ends the list.
inline USHORT ItemSize(const BYTE* p) noexcept {
  USHORT cb;
  std::memcpy(&cb, p, sizeof cb);
  return cb;
}

// Bytes of the items (without the terminator).
size_t ItemsSize(LPCITEMIDLIST list) noexcept {
  if (!list) return 0;
  const BYTE* p = reinterpret_cast<const BYTE*>(list);
  size_t total = 0;
  for (USHORT cb; (cb = ItemSize(p + total)) >= sizeof(USHORT);) total += cb;
  return total;
}

// A list made of the given bytes of items and a terminator.
TIDList MakeIDList(const BYTE* items, size_t bytes) noexcept {
  TIDList r = AllocIDList(bytes + sizeof(USHORT));
  if (r && bytes) std::memcpy(r.Get(), items, bytes);
  return r;
}

constexpr wchar_t kNeedShlwapi[] =
    L"A Dll, which is needed to execute this program, is not installed. \r\nPlease install Internet Explorer 5.5 or "
    L"higher to use this program.";

}  // namespace

// ---------------------------------------------------------------------------------------------
// Unit start and end

void InitializeShellWin32() {
  TShellUnitState& s = UnitState();
  if (!s.OleInitialized) {
    HRESULT hr = OleInitialize(nullptr);
    s.OleInitialized = SUCCEEDED(hr);
  }
  if (!s.Shell32) {
    s.Shell32.Reset(LoadLibraryA("shell32.dll"));
    if (!s.Shell32) s.StartupError = "ShellBrowser Components: Cannot open SHELL32.DLL!";
  }
  if (!s.ShlwApi) {
    s.ShlwApi.Reset(LoadLibraryA("shlwapi.dll"));
    if (!s.ShlwApi) {
      s.StartupError = "ShellBrowser Components: Cannot open SHLWAPI.DLL!";
    } else {
      s.EntryPoints.StrRetToStrW =
          reinterpret_cast<TStrRetToStrW>(reinterpret_cast<void*>(GetProcAddress(s.ShlwApi.Get(), "StrRetToStrW")));
      s.EntryPoints.PathMatchSpecW =
          reinterpret_cast<TPathMatchSpecW>(reinterpret_cast<void*>(GetProcAddress(s.ShlwApi.Get(), "PathMatchSpecW")));
    }
  }
}

void FinalizeShellWin32() noexcept {
  TShellUnitState& s = UnitState();
  s.EntryPoints = {};
  s.ShlwApi.Reset();
  s.Shell32.Reset();
  if (s.OleInitialized) {
    OleUninitialize();
    s.OleInitialized = false;
  }
}

const std::string& ShellStartupError() noexcept { return UnitState().StartupError; }
void SetShellStartupError(std::string message) { UnitState().StartupError = std::move(message); }
TShellEntryPoints& ShellEntryPoints() noexcept { return UnitState().EntryPoints; }

// ---------------------------------------------------------------------------------------------
// ID lists

TIDList AllocIDList(size_t size) noexcept {
  void* p = CoTaskMemAlloc(size);
  if (p) std::memset(p, 0, size);
  return TIDList(static_cast<LPITEMIDLIST>(p));
}

size_t IDListSize(LPCITEMIDLIST list) noexcept { return list ? ItemsSize(list) + sizeof(USHORT) : 0; }

TIDList ConcatIDLists(LPCITEMIDLIST a, LPCITEMIDLIST b) noexcept {
  size_t sa = ItemsSize(a), sb = ItemsSize(b);
  TIDList r = AllocIDList(sa + sb + sizeof(USHORT));
  if (!r) return r;
  BYTE* p = reinterpret_cast<BYTE*>(r.Get());
  if (sa) std::memcpy(p, a, sa);
  if (sb) std::memcpy(p + sa, b, sb);
  return r;
}

TIDList CopyIDList(LPCITEMIDLIST list) noexcept {
  if (!list) return TIDList();
  return MakeIDList(reinterpret_cast<const BYTE*>(list), ItemsSize(list));
}

int IDListCount(LPCITEMIDLIST list) noexcept {
  if (!list) return 0;
  const BYTE* p = reinterpret_cast<const BYTE*>(list);
  int n = 0;
  for (USHORT cb; (cb = ItemSize(p)) >= sizeof(USHORT); p += cb) ++n;
  return n;
}

TIDList CopyIDListItem(LPCITEMIDLIST list, int index) noexcept {
  if (!list || index < 0) return TIDList();
  const BYTE* p = reinterpret_cast<const BYTE*>(list);
  for (USHORT cb; (cb = ItemSize(p)) >= sizeof(USHORT); p += cb) {
    if (index-- == 0) return MakeIDList(p, cb);
  }
  return TIDList();
}

TIDList CopyIDListHead(LPCITEMIDLIST list, int n) noexcept {
  if (!list) return TIDList();
  const BYTE* start = reinterpret_cast<const BYTE*>(list);
  const BYTE* p = start;
  for (USHORT cb; n > 0 && (cb = ItemSize(p)) >= sizeof(USHORT); --n) p += cb;
  return MakeIDList(start, static_cast<size_t>(p - start));
}

bool IsEmptyIDList(LPCITEMIDLIST list) noexcept { return list && ItemsSize(list) == 0; }

// ---------------------------------------------------------------------------------------------
// Shell helpers

TIDList ParseName(IShellFolder* folder, const std::wstring& name, HWND owner) noexcept {
  if (name.empty()) {
    TIDList r;
    HRESULT hr = SHGetSpecialFolderLocation(owner, CSIDL_DRIVES, r.Put());
    if (FAILED(hr)) {
      r.Reset();
      SetLastError(static_cast<DWORD>(hr));
    }
    return r;
  }
  if (name.find_first_of(L"*?") != std::wstring::npos) {
    SetLastError(static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_INVALID_NAME)));
    return TIDList();
  }
  TComPtr<IShellFolder> desktop;
  if (!folder) {
    HRESULT hr = SHGetDesktopFolder(desktop.Put());
    if (FAILED(hr) || !desktop) {
      SetLastError(static_cast<DWORD>(FAILED(hr) ? hr : E_FAIL));
      return TIDList();
    }
    folder = desktop.Get();
  }
  // ParseDisplayName takes a writable string.
  std::vector<wchar_t> buf(name.begin(), name.end());
  buf.push_back(L'\0');
  TIDList r;
  ULONG eaten = 0;
  HRESULT hr;
  {
    TErrorModeGuard mode(SEM_FAILCRITICALERRORS);
    hr = folder->ParseDisplayName(nullptr, nullptr, buf.data(), &eaten, r.Put(), nullptr);
  }
  if (FAILED(hr) || !r) {
    r.Reset();
    SetLastError(static_cast<DWORD>(FAILED(hr) ? hr : E_FAIL));
  }
  return r;
}

std::wstring StrRetToString(STRRET& strret, LPCITEMIDLIST list) {
  TStrRetToStrW fn = ShellEntryPoints().StrRetToStrW;
  if (!fn) {
    // What the shell handed out is ours to free.
    if (strret.uType == STRRET_WSTR && strret.pOleStr) {
      CoTaskMemFree(strret.pOleStr);
      strret.pOleStr = nullptr;
    }
    // Told once: the application is ending, and every name asked for until it has ended would
    // otherwise bring the same message again.
    if (Application && !Application->Terminated() && !UnitState().MissingDllReported) {
      UnitState().MissingDllReported = true;
      std::string title = Application->Title();
      MessageBoxW(Application->Handle(), kNeedShlwapi, AnsiToWide(title).c_str(), MB_OK | MB_ICONERROR);
      Application->Terminate();
    }
    return std::wstring();
  }
  LPWSTR out = nullptr;
  if (FAILED(fn(&strret, list, &out)) || !out) {
    if (out) CoTaskMemFree(out);
    return std::wstring();
  }
  TCoTaskPtr<wchar_t> owned(out);
  return std::wstring(out);
}

std::string SysErrorText(DWORD code) {
  char buf[1024] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                           nullptr, code, 0, buf, sizeof buf - 1, nullptr);
  std::string s(buf, n < sizeof buf ? n : sizeof buf - 1);
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

std::wstring ResolveShortcut(const std::wstring& path) {
  if (path.empty()) return std::wstring();
  TErrorModeGuard mode(SEM_FAILCRITICALERRORS);
  if (PlatformIsUnicode) {
    TComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())))
      return std::wstring();
    TComPtr<IPersistFile> file;
    if (FAILED(link.As(IID_IPersistFile, file)) || FAILED(file->Load(path.c_str(), STGM_READ))) return std::wstring();
    wchar_t target[MAX_PATH + 1] = {};
    if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) return std::wstring();
    target[MAX_PATH] = L'\0';
    return target;
  }
  TComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid())))
    return std::wstring();
  TComPtr<IPersistFile> file;
  if (FAILED(link.As(IID_IPersistFile, file)) || FAILED(file->Load(path.c_str(), STGM_READ))) return std::wstring();
  char target[MAX_PATH + 1] = {};
  if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) return std::wstring();
  target[MAX_PATH] = '\0';
  return AnsiToWide(target);
}

bool MatchSpec(const std::wstring& name, const std::wstring& pattern) noexcept {
  if (pattern == L"*.*") return name.find(L'.') != std::wstring::npos;
  TPathMatchSpecW fn = ShellEntryPoints().PathMatchSpecW;
  return fn && fn(name.c_str(), pattern.c_str()) != FALSE;
}

std::wstring NetResourceName(IShellFolder* folder, LPCITEMIDLIST list) {
  if (!folder || !list) return std::wstring();
  // NETRESOURCEW followed by its strings.
  alignas(NETRESOURCEW) BYTE buf[2048] = {};
  if (FAILED(SHGetDataFromIDListW(folder, list, SHGDFIL_NETRESOURCE, buf, sizeof buf))) return std::wstring();
  const auto* nr = reinterpret_cast<const NETRESOURCEW*>(buf);
  if (nr->dwDisplayType != RESOURCEDISPLAYTYPE_DOMAIN && nr->dwDisplayType != RESOURCEDISPLAYTYPE_SERVER)
    return std::wstring();
  // The name must point inside the buffer and end there.
  const BYTE* name = reinterpret_cast<const BYTE*>(nr->lpRemoteName);
  if (!name || name < buf || name >= buf + sizeof buf) return std::wstring();
  size_t maxChars = static_cast<size_t>(buf + sizeof buf - name) / sizeof(wchar_t);
  const wchar_t* w = nr->lpRemoteName;
  size_t len = 0;
  while (len < maxChars && w[len]) ++len;
  if (len == maxChars) return std::wstring();
  return std::wstring(w, len);
}

std::wstring IDListPath(LPCITEMIDLIST list) {
  if (!list) return std::wstring();
  wchar_t path[MAX_PATH + 1] = {};
  if (!SHGetPathFromIDListW(list, path)) return std::wstring();
  path[MAX_PATH] = L'\0';
  std::wstring s(path);
  if (s.size() >= 2 && s[0] == L':' && s[1] == L':') return std::wstring();
  return s;
}

bool SameIDList(IShellFolder* folder, LPCITEMIDLIST a, LPCITEMIDLIST b) noexcept {
  if (!folder || !a || !b) return false;
  if (IsEmptyIDList(a) || IsEmptyIDList(b)) return IsEmptyIDList(a) && IsEmptyIDList(b);
  HRESULT hr = folder->CompareIDs(0, a, b);
  return SUCCEEDED(hr) && HRESULT_CODE(hr) == 0;
}

}  // namespace korv
