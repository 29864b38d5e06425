// Small text, number and path routines shared by the skin units, and the reader of INI sections
// kept as plain string lists (the skin manager's extra sections).
#pragma once

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"

namespace korv {

// ---- INI sections as string lists -------------------------------------------------------------

// One section of an INI text: its name and its lines as written (not trimmed).
struct TacIniSection {
  std::string Name;
  std::vector<std::string> Lines;
};

// Splits INI lines into sections: empty lines and lines starting with ";" are skipped, a line that
// starts with "[" and ends with "]" opens a section, any other line belongs to the current
// section unchanged (dropped before the first section).
[[nodiscard]] std::vector<TacIniSection> SplitIniSections(const std::vector<std::string>& lines);

// The text after the first "=" of the first line of the section whose name part (before that
// "=") equals Key, else Default. Section and key names are compared case-insensitively; the first
// section of a name wins.
[[nodiscard]] std::string ReadIniString(const std::vector<TacIniSection>& sections, std::string_view section,
                                        std::string_view key, const std::string& def);
// ReadIniString as an integer ("$", "0x" or decimal); Default when it is not one.
[[nodiscard]] int ReadIniInteger(const std::vector<TacIniSection>& sections, std::string_view section,
                                 std::string_view key, int def);

// An INI text as an integer: "0x"/"0X" read as "$"; Default when it is not an integer.
[[nodiscard]] int IniTextToIntDef(std::string_view s, int def);

// The same over string lists: Sections receives one entry per section, the name with a new
// TStringList of its lines as the entry's object, owned by the caller (FreeIniSections frees them).
void LoadIniSections(const TStrings& lines, TStrings& sections);
void FreeIniSections(TStrings& sections);
[[nodiscard]] std::string ReadIniString(const TStrings& sections, std::string_view section, std::string_view key,
                                        const std::string& def);
[[nodiscard]] int ReadIniInteger(const TStrings& sections, std::string_view section, std::string_view key, int def);

// ---- numbers ----------------------------------------------------------------------------------

// The height field of the system's status-bar font, 0 when the query fails.
[[nodiscard]] int StatusFontHeight();
[[nodiscard]] constexpr int LimitByte(int v) noexcept { return v < 0 ? 0 : (v > 255 ? 255 : v); }
[[nodiscard]] inline std::string IfThenStr(bool c, const std::string& a, const std::string& b) { return c ? a : b; }
[[nodiscard]] constexpr int IfThenInt(bool c, int a, int b) noexcept { return c ? a : b; }
[[nodiscard]] constexpr bool IsBetween(int v, int low, int high) noexcept { return low <= v && v <= high; }
[[nodiscard]] constexpr int IntMax(int a, int b) noexcept { return a > b ? a : b; }
[[nodiscard]] constexpr int IntMin(int a, int b) noexcept { return a < b ? a : b; }
// RectWidth and RectHeight are the class library's (Graphics.h).

// ---- words ------------------------------------------------------------------------------------
// A word is a maximal run of characters outside the delimiter set.

[[nodiscard]] int CountWords(std::string_view text, std::string_view delims) noexcept;
// 1-based position of the n-th word, 0 when there are fewer.
[[nodiscard]] int NthWordPos(int n, std::string_view text, std::string_view delims) noexcept;
// The n-th word (from 1), empty when there are fewer.
[[nodiscard]] std::string NthWord(int n, std::string_view text, std::string_view delims);
// All words in order (what repeated NthWord calls give, in one pass).
[[nodiscard]] std::vector<std::string_view> SplitWords(std::string_view text, std::string_view delims);
// The next word from Pos on, Pos moved past it; empty once no word is left. Calls from Pos 0 give
// the words of SplitWords one by one, without a list.
[[nodiscard]] std::string_view NextWord(std::string_view text, std::string_view delims, size_t& pos) noexcept;
[[nodiscard]] std::string RemoveChar(std::string_view text, char c);

// ---- paths ------------------------------------------------------------------------------------
// ExeFolder (the executable's folder with its trailing separator) is the class library's.

// Empty stays empty; a trailing "\" stays; a trailing "/" becomes "\"; a one-character name (a
// drive letter) gets ":\"; anything else gets "\".
[[nodiscard]] std::string NormalizeFolder(std::string_view folder);

// For an existing file, a new icon holding the shell's icon for it (Flags plus SHGFI_ICON);
// nullptr when the file is missing, the query fails or the icon is empty.
[[nodiscard]] std::unique_ptr<TIcon> ShellFileIcon(const std::string& fileName, UINT flags);

// ---- scopes ----------------------------------------------------------------------------------

// Raises a flag for a scope and lowers it on every exit (re-entry guards, process-wide states).
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) noexcept : Flag_(flag) { Flag_ = true; }
  ~TFlagScope() { Flag_ = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& Flag_;
};

// Hears when the components it watches (FreeNotification on it) are freed, and passes each one to
// OnFreed: an object that keeps pointers to components drops them in time.
class TacFreeWatch final : public TComponent {
 public:
  explicit TacFreeWatch(std::function<void(TComponent*)> onFreed)
      : TComponent(nullptr), FOnFreed(std::move(onFreed)) {}

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component && FOnFreed) FOnFreed(component);
  }

 private:
  std::function<void(TComponent*)> FOnFreed;
};

}  // namespace korv
