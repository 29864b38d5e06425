// Shell item identifier lists (ID lists) and the small shell helpers the shell component is made
// of: parsing names, STRRET conversion, system error texts, shortcut resolution, name patterns
// and network names.
//
// An ID list is a sequence of items, each starting with a 16-bit little-endian byte count that
// includes the count itself, ended by a 16-bit zero; lists are allocated with the COM task
// allocator. Every list a routine here returns is owned by the caller (TIDList). An item whose
// count is below 2 is treated as the end of its list, so a damaged list is never walked past a
// count that could not advance.
#pragma once

#include <shlobj.h>
#include <windows.h>

#include <cstddef>
#include <string>

#include "classlib/Handles.h"

namespace korv {

// An owned ID list.
using TIDList = TCoTaskPtr<ITEMIDLIST>;

// ---------------------------------------------------------------------------------------------
// Start-up and shut-down of the unit: initialises OLE on the calling thread, loads the shell
// library and the shell utility library and binds StrRetToStrW and PathMatchSpecW by name.
// A failure is not raised; its message ("ShellBrowser Components: Cannot open SHELL32.DLL!" or
// "... SHLWAPI.DLL!") is kept in ShellStartupError. Every successful OLE initialisation is
// balanced by FinalizeShellWin32.
void InitializeShellWin32();
void FinalizeShellWin32() noexcept;
// The message of the last start-up failure of the shell units; empty when there was none.
[[nodiscard]] const std::string& ShellStartupError() noexcept;
void SetShellStartupError(std::string message);

// The entry points bound at start-up (null when missing). Tests may replace them.
using TStrRetToStrW = HRESULT(WINAPI*)(STRRET* strret, LPCITEMIDLIST list, LPWSTR* out);
using TPathMatchSpecW = BOOL(WINAPI*)(LPCWSTR name, LPCWSTR pattern);
struct TShellEntryPoints {
  TStrRetToStrW StrRetToStrW = nullptr;
  TPathMatchSpecW PathMatchSpecW = nullptr;
};
[[nodiscard]] TShellEntryPoints& ShellEntryPoints() noexcept;

// Sets the process error mode for the lifetime of the guard and restores the previous one.
class [[nodiscard]] TErrorModeGuard {
 public:
  explicit TErrorModeGuard(UINT mode) noexcept : Old_(SetErrorMode(mode)) {}
  ~TErrorModeGuard() { SetErrorMode(Old_); }
  TErrorModeGuard(const TErrorModeGuard&) = delete;
  TErrorModeGuard& operator=(const TErrorModeGuard&) = delete;

 private:
  UINT Old_;
};

// ---------------------------------------------------------------------------------------------
// ID-list routines. None of them raises; allocation failures give null.

// A zero-filled block of size bytes; null on failure.
[[nodiscard]] TIDList AllocIDList(size_t size) noexcept;
// Total bytes including the terminator; 0 for null.
[[nodiscard]] size_t IDListSize(LPCITEMIDLIST list) noexcept;
// The items of a, then those of b, with one terminator (either may be null).
[[nodiscard]] TIDList ConcatIDLists(LPCITEMIDLIST a, LPCITEMIDLIST b) noexcept;
// A copy; null for null.
[[nodiscard]] TIDList CopyIDList(LPCITEMIDLIST list) noexcept;
// Number of items; 0 for null.
[[nodiscard]] int IDListCount(LPCITEMIDLIST list) noexcept;
// A single-item list holding item index; null when index is past the last item (or negative).
[[nodiscard]] TIDList CopyIDListItem(LPCITEMIDLIST list, int index) noexcept;
// A list of the first n items (all of them when there are fewer); null for null.
[[nodiscard]] TIDList CopyIDListHead(LPCITEMIDLIST list, int n) noexcept;
// True for the empty list (the desktop's): just the terminator.
[[nodiscard]] bool IsEmptyIDList(LPCITEMIDLIST list) noexcept;

// Parses a name in folder (the desktop's when null) with no window and critical-error dialogs
// suppressed. An empty name gives the computer folder's list (owner: the window for that call).
// A name with a wildcard ("*" or "?") is rejected, as the shell would silently return its first
// match. On failure the thread's last error is the result code and null is returned.
[[nodiscard]] TIDList ParseName(IShellFolder* folder, const std::wstring& name, HWND owner = nullptr) noexcept;

// Converts a STRRET with StrRetToStrW and frees what the shell handed out; empty on failure.
// When the entry point is missing and the application is not terminating, it tells the user that
// a needed library is missing (once per process), asks the application to terminate and returns
// empty.
[[nodiscard]] std::wstring StrRetToString(STRRET& strret, LPCITEMIDLIST list);

// The system's message for an error code (at most 1023 characters), without trailing line breaks.
[[nodiscard]] std::string SysErrorText(DWORD code);

// The target path of a shortcut file (at most 260 characters, UNC form preferred); empty on any
// failure. Critical-error dialogs are suppressed.
[[nodiscard]] std::wstring ResolveShortcut(const std::wstring& path);

// "*.*" matches any name containing "."; any other pattern goes to PathMatchSpecW (false when
// that entry point is missing).
[[nodiscard]] bool MatchSpec(const std::wstring& name, const std::wstring& pattern) noexcept;

// The remote name of a network item whose display type is domain or server; else empty.
[[nodiscard]] std::wstring NetResourceName(IShellFolder* folder, LPCITEMIDLIST list);

// The file-system path of an absolute list; empty for virtual items (no path, or a "::{GUID}"
// path, which the platform gives for some virtual folders).
[[nodiscard]] std::wstring IDListPath(LPCITEMIDLIST list);

// True when folder (the desktop) compares the two lists equal. Null lists are never equal.
[[nodiscard]] bool SameIDList(IShellFolder* folder, LPCITEMIDLIST a, LPCITEMIDLIST b) noexcept;

}  // namespace korv
