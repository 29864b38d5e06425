// UTF-16 wrappers of platform calls: the W entry point when PlatformIsUnicode, else the A entry
// point with arguments and results converted through the platform's 8-bit code page.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace korv {

[[nodiscard]] HANDLE WideCreateFile(const wchar_t* name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
                                    DWORD disposition, DWORD flags, HANDLE templateFile);

// As GetFullPathNameW: the length written (without the NUL), or, when the buffer is too small,
// the length needed including the NUL (the buffer then holds an empty string); 0 on failure.
// filePart points into buffer at the file name, or is null.
DWORD WideGetFullPathName(const wchar_t* name, DWORD bufferLength, wchar_t* buffer, wchar_t*& filePart);

[[nodiscard]] wchar_t WideCharUpper(wchar_t c);
// Upper-cases a NUL-terminated string in place; returns p.
wchar_t* WideCharUpper(wchar_t* p);
DWORD WideCharUpperBuff(wchar_t* p, DWORD count);

// Loads string-table entry id of module (nullptr: the executable) into buffer: copies at most
// size-1 characters and a NUL and returns the count copied. With no buffer or a size below 1 it
// returns the entry's length. 0 when there is no such entry.
int WideLoadString(HMODULE module, UINT id, wchar_t* buffer, int size);

// Locates entry index (0..15) in a string-table block: each entry is a 16-bit length followed
// by that many UTF-16 code units. Returns the byte offset of the text and its length in code
// units, or nothing when the block ends before the entry does.
struct TStringTableEntry {
  size_t Offset;
  size_t Length;
};
[[nodiscard]] std::optional<TStringTableEntry> FindStringTableEntry(const void* block, size_t size,
                                                                    unsigned index) noexcept;

}  // namespace korv
