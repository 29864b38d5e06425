// Helpers of tests on names the ANSI code page cannot carry: such a character, and the
// temporary folder moved for a while (the environment's TMP and TEMP, which child processes
// inherit).
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace korv::test {

// A character the ANSI code page has no byte of its own for (a best-fit look-alike does not
// count); 0 when it carries every candidate, as a UTF-8 code page does.
inline wchar_t CharOutsideAnsiCodePage() {
  for (wchar_t c : {L'\u0101', L'\u03A9', L'\u0416', L'\u65E5'}) {
    char buf[8];
    BOOL lossy = FALSE;
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &c, 1, buf, sizeof buf, nullptr, &lossy) > 0 && lossy)
      return c;
  }
  return 0;
}

// Points TMP and TEMP at a folder until the object goes.
class TTempFolderScope {
 public:
  explicit TTempFolderScope(const std::wstring& folder) {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      std::vector<wchar_t> buf(32768);
      DWORD n = GetEnvironmentVariableW(name, buf.data(), static_cast<DWORD>(buf.size()));
      Saved_.push_back({name, n > 0 && n < buf.size(), std::wstring(buf.data(), n < buf.size() ? n : 0)});
      SetEnvironmentVariableW(name, folder.c_str());
    }
  }
  ~TTempFolderScope() {
    for (const TSaved& s : Saved_) SetEnvironmentVariableW(s.Name, s.Had ? s.Value.c_str() : nullptr);
  }
  TTempFolderScope(const TTempFolderScope&) = delete;
  TTempFolderScope& operator=(const TTempFolderScope&) = delete;

 private:
  struct TSaved {
    const wchar_t* Name;
    bool Had;
    std::wstring Value;
  };
  std::vector<TSaved> Saved_;
};

}  // namespace korv::test
