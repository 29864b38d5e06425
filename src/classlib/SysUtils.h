// Exceptions, formatting, strict number conversion and file routines of the class library.
// 8-bit strings are in the ANSI code page; conversions never depend on the user's locale.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "classlib/System.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// Exceptions

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : Message_(std::move(message)) {}
  [[nodiscard]] const std::string& Message() const noexcept { return Message_; }
  void SetMessage(std::string m) { Message_ = std::move(m); }
  [[nodiscard]] const char* what() const noexcept override { return Message_.c_str(); }
  [[nodiscard]] virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string Message_;
};

#define KORV_EXCEPTION(Name, Base)                                             \
  class Name : public Base {                                                   \
   public:                                                                     \
    using Base::Base;                                                          \
    [[nodiscard]] const char* ClassName() const noexcept override { return #Name; } \
  }

KORV_EXCEPTION(EAbort, Exception);
KORV_EXCEPTION(EConvertError, Exception);
KORV_EXCEPTION(ERangeError, Exception);
KORV_EXCEPTION(EIntOverflow, Exception);
KORV_EXCEPTION(EOutOfMemory, Exception);
KORV_EXCEPTION(EInvalidOperation, Exception);
KORV_EXCEPTION(EInvalidPointer, Exception);
KORV_EXCEPTION(EListError, Exception);
KORV_EXCEPTION(EStringListError, EListError);
KORV_EXCEPTION(EComponentError, Exception);
KORV_EXCEPTION(EClassNotFound, Exception);
KORV_EXCEPTION(EResNotFound, Exception);
KORV_EXCEPTION(EStreamError, Exception);
KORV_EXCEPTION(EFileStreamError, EStreamError);
KORV_EXCEPTION(EFCreateError, EFileStreamError);
KORV_EXCEPTION(EFOpenError, EFileStreamError);
KORV_EXCEPTION(EFilerError, EStreamError);
KORV_EXCEPTION(EReadError, EFilerError);
KORV_EXCEPTION(EWriteError, EFilerError);
KORV_EXCEPTION(EInvalidGraphic, Exception);
KORV_EXCEPTION(EInvalidGraphicOperation, Exception);
KORV_EXCEPTION(EMenuError, Exception);

// An error with a system error code (GetLastError value).
class EOSError : public Exception {
 public:
  EOSError(std::string message, DWORD code) : Exception(std::move(message)), ErrorCode(code) {}
  [[nodiscard]] const char* ClassName() const noexcept override { return "EOSError"; }
  DWORD ErrorCode;
};

// An OLE error with its HRESULT.
class EOleError : public Exception {
 public:
  explicit EOleError(std::string message, HRESULT code = E_FAIL) : Exception(std::move(message)), ErrorCode(code) {}
  [[nodiscard]] const char* ClassName() const noexcept override { return "EOleError"; }
  HRESULT ErrorCode;
};

// Raises EOSError for GetLastError() (or the given code) with the system's message text.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(DWORD code);
// Raises EOleError when hr is a failure; returns hr otherwise.
HRESULT OleCheck(HRESULT hr);
// The system's message text for an error code (FormatMessageA), without trailing line breaks.
[[nodiscard]] std::string SysErrorMessage(DWORD code);

// ---------------------------------------------------------------------------------------------
// Format: the class library's printf. Directives: "%" [index ":"] ["-"] [width] ["." prec] type,
// type one of d u x e f g n m p s; "*" takes width or precision from the arguments; "%%" is "%".
// "n" groups thousands with ","; the decimal separator is always ".". A directive that does not
// match its argument raises EConvertError "Format '%s' invalid or incompatible with argument".

class TVarRec {
 public:
  using Value = std::variant<int64_t, uint64_t, double, std::string, const void*>;
  TVarRec(int v) : V(int64_t{v}) {}
  TVarRec(long v) : V(int64_t{v}) {}
  TVarRec(long long v) : V(int64_t{v}) {}
  TVarRec(unsigned v) : V(uint64_t{v}) {}
  TVarRec(unsigned long v) : V(uint64_t{v}) {}
  TVarRec(unsigned long long v) : V(uint64_t{v}) {}
  TVarRec(short v) : V(int64_t{v}) {}
  TVarRec(unsigned short v) : V(uint64_t{v}) {}
  TVarRec(char v) : V(std::string(1, v)) {}
  TVarRec(bool v) : V(int64_t{v ? 1 : 0}) {}
  TVarRec(double v) : V(v) {}
  TVarRec(float v) : V(double{v}) {}
  TVarRec(const char* v) : V(std::string(v ? v : "")) {}
  TVarRec(std::string v) : V(std::move(v)) {}
  TVarRec(std::string_view v) : V(std::string(v)) {}
  TVarRec(const std::wstring& v);  // converted to the ANSI code page
  TVarRec(const wchar_t* v);
  TVarRec(const void* v) : V(v) {}
  Value V;
};

[[nodiscard]] std::string FormatV(std::string_view fmt, const std::vector<TVarRec>& args);
template <class... Args>
[[nodiscard]] std::string Format(std::string_view fmt, Args&&... args) {
  return FormatV(fmt, std::vector<TVarRec>{TVarRec(std::forward<Args>(args))...});
}

// ---------------------------------------------------------------------------------------------
// Numbers. Parsing is strict: optional blanks around, an optional sign, decimal digits or hex
// with "$" or "0x"/"0X"; anything else, an empty text or overflow raises EConvertError
// "'%s' is not a valid integer value". Hex of up to 8 digits wraps into the negative range.

[[nodiscard]] std::string IntToStr(int64_t v);
[[nodiscard]] std::string IntToHex(uint64_t v, int digits);
[[nodiscard]] int32_t StrToInt(std::string_view s);
[[nodiscard]] int64_t StrToInt64(std::string_view s);
[[nodiscard]] int32_t StrToIntDef(std::string_view s, int32_t def) noexcept;
[[nodiscard]] bool TryStrToInt(std::string_view s, int32_t& v) noexcept;
[[nodiscard]] bool TryStrToInt64(std::string_view s, int64_t& v) noexcept;

// Floats with "." as the decimal separator whatever the locale. StrToFloat raises EConvertError
// "'%s' is not a valid floating point value".
[[nodiscard]] std::string FloatToStr(double v);  // shortest text that reads back the same value
[[nodiscard]] double StrToFloat(std::string_view s);
[[nodiscard]] bool TryStrToFloat(std::string_view s, double& v) noexcept;

// ---------------------------------------------------------------------------------------------
// Text (ANSI). Upper/LowerCase touch only ASCII letters; the Ansi variants use the platform.

[[nodiscard]] std::string UpperCase(std::string_view s);
[[nodiscard]] std::string LowerCase(std::string_view s);
[[nodiscard]] std::string AnsiUpperCase(std::string_view s);
// AnsiUpperCase in place, without a copy.
void AnsiUpperCaseBuff(char* text, size_t length) noexcept;
[[nodiscard]] std::string AnsiLowerCase(std::string_view s);
[[nodiscard]] int CompareStr(std::string_view a, std::string_view b) noexcept;
[[nodiscard]] int CompareText(std::string_view a, std::string_view b) noexcept;  // ASCII case-insensitive
[[nodiscard]] bool SameText(std::string_view a, std::string_view b) noexcept;
// Platform comparisons (CompareStringA/W with the user locale): the order of sorted string lists.
// -1, 0 or 1; the Text forms ignore case.
[[nodiscard]] int AnsiCompareStr(std::string_view a, std::string_view b) noexcept;
[[nodiscard]] int AnsiCompareText(std::string_view a, std::string_view b) noexcept;
[[nodiscard]] bool AnsiSameText(std::string_view a, std::string_view b) noexcept;
[[nodiscard]] int WideCompareStr(std::wstring_view a, std::wstring_view b) noexcept;
[[nodiscard]] int WideCompareText(std::wstring_view a, std::wstring_view b) noexcept;
[[nodiscard]] bool WideSameText(std::wstring_view a, std::wstring_view b) noexcept;
[[nodiscard]] std::string Trim(std::string_view s);  // removes characters <= ' ' at both ends
[[nodiscard]] std::string_view TrimView(std::string_view s) noexcept;  // Trim without a copy
[[nodiscard]] std::string TrimLeft(std::string_view s);
[[nodiscard]] std::string TrimRight(std::string_view s);
[[nodiscard]] std::string QuotedStr(std::string_view s);
enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
[[nodiscard]] std::string StringReplace(std::string_view s, std::string_view from, std::string_view to,
                                        unsigned flags);

// UTF-16 <-> ANSI code page (the platform's conversions).
[[nodiscard]] std::string WideToAnsi(std::wstring_view s, UINT codePage = CP_ACP);
[[nodiscard]] std::wstring AnsiToWide(std::string_view s, UINT codePage = CP_ACP);
// The ANSI code page's own form of a UTF-16 text, without best-fit look-alikes or default
// characters: false (out untouched) when the code page cannot carry every character. A name
// converted otherwise may name another file, or none.
[[nodiscard]] bool WideToAnsiExact(std::wstring_view s, std::string& out);
// The ANSI name of a directory entry: its long name when the code page carries it, else its
// short (8.3) name when it has one the code page carries; empty when neither.
[[nodiscard]] std::string AnsiFileName(std::wstring_view longName, std::wstring_view shortName);
// An ANSI path naming the existing file or folder path names: path itself when the code page
// carries it, else its short (8.3) form when the code page carries that; empty when neither.
[[nodiscard]] std::string AnsiPathOf(const std::wstring& path);

// ---------------------------------------------------------------------------------------------
// Files and paths (ANSI API). Paths use "\" and accept "/" where the platform does.

[[nodiscard]] bool FileExists(const std::string& name);
[[nodiscard]] bool DirectoryExists(const std::string& name);
bool ForceDirectories(const std::string& dir);
bool DeleteFile(const std::string& name);
bool RenameFile(const std::string& oldName, const std::string& newName);
bool RemoveDir(const std::string& dir);
[[nodiscard]] std::string ExtractFilePath(std::string_view name);   // up to and including the last \ / :
[[nodiscard]] std::string ExtractFileDir(std::string_view name);    // as ExtractFilePath without the trailing \ (except roots)
[[nodiscard]] std::string ExtractFileName(std::string_view name);
[[nodiscard]] std::string ExtractFileExt(std::string_view name);    // with the dot; "" when none
[[nodiscard]] std::string ExtractFileDrive(std::string_view name);  // "C:" or "\\server\share"
[[nodiscard]] std::string ChangeFileExt(std::string_view name, std::string_view ext);
[[nodiscard]] std::string IncludeTrailingPathDelimiter(std::string_view s);
[[nodiscard]] std::string ExcludeTrailingPathDelimiter(std::string_view s);
[[nodiscard]] std::string ExpandFileName(const std::string& name);  // GetFullPathNameA, any length
[[nodiscard]] std::string GetCurrentDir();
// The temporary folder with a trailing "\" (in its short form when the code page cannot carry its
// long one); raises EOSError when there is none, or when it has no name the code page carries.
[[nodiscard]] std::string GetTempDir();
[[nodiscard]] int64_t FileSizeOf(const std::string& name);  // -1 when it cannot be read

// The running executable's full file name, and its folder with a trailing "\".
[[nodiscard]] std::string ParamStr0();
[[nodiscard]] std::string ExeFolder();

// File search over FindFirstFileA. Attr filters as the class library's does: entries with
// attributes outside (faReadOnly | faArchive | faNormal | Attr) are skipped.
enum : DWORD {
  faReadOnly = FILE_ATTRIBUTE_READONLY,
  faHidden = FILE_ATTRIBUTE_HIDDEN,
  faSysFile = FILE_ATTRIBUTE_SYSTEM,
  faDirectory = FILE_ATTRIBUTE_DIRECTORY,
  faArchive = FILE_ATTRIBUTE_ARCHIVE,
  faNormal = FILE_ATTRIBUTE_NORMAL,
  faAnyFile = 0x3F,
};
struct TSearchRec {
  std::string Name;
  DWORD Attr = 0;
  int64_t Size = 0;
  FILETIME Time{};
  WIN32_FIND_DATAA FindData{};
  HANDLE FindHandle = INVALID_HANDLE_VALUE;
  DWORD ExcludeAttr = 0;
};
// Return 0 on success, else the system error code (ERROR_NO_MORE_FILES at the end).
[[nodiscard]] DWORD FindFirst(const std::string& path, DWORD attr, TSearchRec& rec);
[[nodiscard]] DWORD FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);

}  // namespace korv
