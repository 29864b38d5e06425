// UTF-16 C strings, path and file routines, and system error texts on UTF-16 strings. The wide
// comparisons (WideCompareStr, WideCompareText, WideSameText) are the class library's, in
// SysUtils.h beside the ANSI ones.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "classlib/SysUtils.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// UTF-16 C strings. A block from WStrAlloc holds its byte size (count*2+4) in a 32-bit word just
// before the first character; free it with WStrDispose. Raises EOutOfMemory when it cannot be
// had.

[[nodiscard]] wchar_t* WStrAlloc(size_t count);
void WStrDispose(wchar_t* p) noexcept;
[[nodiscard]] uint32_t WStrBufSize(const wchar_t* p) noexcept;  // the stored byte size; 0 for null
[[nodiscard]] wchar_t* WStrNew(const wchar_t* p);               // copy with its NUL; null for null
[[nodiscard]] size_t WStrLen(const wchar_t* p) noexcept;        // 0 for null
[[nodiscard]] wchar_t* WStrEnd(wchar_t* p) noexcept;            // the NUL
[[nodiscard]] const wchar_t* WStrEnd(const wchar_t* p) noexcept;
// Copies at most maxLen characters, stopping at a NUL, and always terminates; returns dest.
wchar_t* WStrLCopy(wchar_t* dest, const wchar_t* src, size_t maxLen) noexcept;
// First occurrence of c, or null; searching for NUL finds the terminator.
[[nodiscard]] wchar_t* WStrScan(wchar_t* p, wchar_t c) noexcept;
[[nodiscard]] const wchar_t* WStrScan(const wchar_t* p, wchar_t c) noexcept;

// ---------------------------------------------------------------------------------------------
// Paths and files

[[nodiscard]] std::wstring WideUpperCaseEx(std::wstring_view s);
[[nodiscard]] std::wstring WideIncludeTrailingBackslash(std::wstring_view s);
[[nodiscard]] std::wstring WideExcludeTrailingBackslash(std::wstring_view s);  // removes one "\"
// 1-based index of the last character of s that occurs in delimiters; 0 when none.
[[nodiscard]] size_t WideLastDelimiter(std::wstring_view delimiters, std::wstring_view s) noexcept;
[[nodiscard]] std::wstring WideExtractFilePath(std::wstring_view s);   // up to and including the last "\" or ":"
[[nodiscard]] std::wstring WideExtractFileName(std::wstring_view s);   // the rest
[[nodiscard]] std::wstring WideExtractFileDrive(std::wstring_view s);  // "C:" or "\\server\share"
// The full path of a name; any length.
[[nodiscard]] std::wstring WideExpandFileName(const std::wstring& s);

// Read/write access, no sharing, always create. The handle, or INVALID_HANDLE_VALUE.
[[nodiscard]] HANDLE WideFileCreate(const std::wstring& name);
// Opens an existing file: access from mode bits 0-1 (0 read, 1 write, 2 both, 3 none), sharing
// from bits 4-7 (0 and 1 none, 2 read, 3 write, 4 both). A sharing value above 4 fails with
// ERROR_INVALID_PARAMETER. The handle, or INVALID_HANDLE_VALUE.
[[nodiscard]] HANDLE WideFileOpen(const std::wstring& name, uint32_t mode);

// True when c converts to DefaultCodePage without the default character.
[[nodiscard]] bool IsWideCharMappable(wchar_t c) noexcept;

// The system's message for an error code, trimmed; "Unspecified error (%d) from system." when
// the system has none.
[[nodiscard]] std::wstring WideSysErrorMessage(DWORD code);

}  // namespace korv
