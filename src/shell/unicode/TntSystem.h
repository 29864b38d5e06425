// UTF-16 text layer: the process code page and platform values, conversions between UTF-16 and
// 8-bit code pages (UTF-7 by our own codec, UTF-8 and the rest by the system), byte swapping and
// resource strings loaded as UTF-16.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "classlib/Startup.h"
#include "classlib/SysUtils.h"

namespace korv {

KORV_EXCEPTION(ETntGeneralError, Exception);
KORV_EXCEPTION(ETntInternalError, Exception);

// True on an NT-family platform: every wrapper then calls the UTF-16 entry point. Tests may set
// it to false to run the 8-bit branches.
extern bool PlatformIsUnicode;
// The process default code page: CP_THREAD_ACP (3) on NT 5 and later, else the code page of the
// thread's locale.
extern UINT DefaultCodePage;

// Start-up of the wide-string units: sets PlatformIsUnicode and DefaultCodePage from the
// platform. Until it runs they hold the values of an NT 5+ system, the platform every program
// runs on, so nothing of these units works by halves before it.
void InitializeTntSystem();
// The wide-string units as the library's start-up runs them.
extern const TLibraryUnit WideStringUnit;

inline constexpr UINT CP_UTF7_CODEC = 65000;
inline constexpr UINT CP_UTF8_CODEC = 65001;

// The default 8-bit code page of a locale (LOCALE_IDEFAULTANSICODEPAGE); the platform's 8-bit
// code page when the locale gives no number.
[[nodiscard]] UINT CodePageOfLocale(LCID lcid);

// Conversions. 65000 is UTF-7 (our codec; invalid input raises ETntGeneralError "Invalid UTF7"),
// 65001 UTF-8 and every other code page go to the platform's converters with no flags.
[[nodiscard]] std::wstring AnsiToWideCP(std::string_view s, UINT codePage);
[[nodiscard]] std::string WideToAnsiCP(std::wstring_view ws, UINT codePage);

// Swaps the two bytes of every code unit of a NUL-terminated buffer, in place, up to the NUL.
void SwapByteOrder(wchar_t* p) noexcept;
// The same over a counted buffer (no terminator needed).
void SwapByteOrder(wchar_t* p, size_t count) noexcept;

// ---------------------------------------------------------------------------------------------
// UTF-7 codec over buffers. Both raise ETntInternalError "Buffer overflow" when the output does
// not fit in outCapacity; the decoder raises ETntGeneralError "Invalid UTF7" on invalid input.
// They return the number of units written. Callers that size the output as below never overflow.

// Output room that always suffices: 7 bytes per input character (the worst case is 5).
[[nodiscard]] constexpr size_t Utf7EncodedCapacity(size_t chars) noexcept { return chars * 7; }
size_t Utf7Encode(const wchar_t* src, size_t count, char* out, size_t outCapacity);
// Every input byte yields at most one code unit.
size_t Utf7Decode(const char* src, size_t count, wchar_t* out, size_t outCapacity);

[[nodiscard]] std::string Utf7Encode(std::wstring_view s);
[[nodiscard]] std::wstring Utf7Decode(std::string_view s);

// ---------------------------------------------------------------------------------------------
// Resource strings. A record names either a string-table entry of a module or a literal 8-bit
// text (a literal that starts with the UTF-8 mark EF BB BF is decoded as UTF-8 after it).

struct TResStringRec {
  HMODULE Module = nullptr;                        // nullptr: the executable
  std::variant<UINT, const char*> Identifier{0u};  // string-table id, or NUL-terminated literal text
};

// Empty for a null record.
[[nodiscard]] std::wstring WideLoadResString(const TResStringRec* rec);

// Messages of the wide string lists; each is formatted with one integer.
extern const TResStringRec SListIndexError;     // "List index out of bounds (%d)"
extern const TResStringRec SSortedListError;    // "Operation not allowed on sorted list"
extern const TResStringRec SDuplicateString;    // "String list does not allow duplicates"
extern const TResStringRec SListCapacityError;  // "List capacity out of bounds (%d)"

}  // namespace korv
