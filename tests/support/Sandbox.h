// A folder of the test's own under the temporary folder, removed with everything in it at the end.
// Header only: the benchmarks use it too, without the test-support library (and its GoogleTest).
#pragma once

#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "classlib/SysUtils.h"

namespace korv::test {

// A fresh folder under GetTempPath (its long form), removed with everything in it when the object
// goes. Every path it hands out is inside it. Names and paths come as UTF-16 or, for the 8-bit
// interfaces, in the ANSI code page.
class TSandbox {
 public:
  TSandbox();
  ~TSandbox();
  TSandbox(const TSandbox&) = delete;
  TSandbox& operator=(const TSandbox&) = delete;

  // The folder, with a trailing "\".
  [[nodiscard]] const std::wstring& Path() const noexcept { return Root_; }
  [[nodiscard]] std::string AnsiPath() const { return WideToAnsi(Root_); }
  // Creates a file (and its folders) relative to the sandbox; returns its full path.
  std::wstring File(const std::wstring& rel, const std::string& content = "data");
  std::string File(const std::string& rel, const std::string& content = "data") {
    return WideToAnsi(File(AnsiToWide(rel), content));
  }
  // Creates a folder (and its parents) relative to the sandbox; returns its full path without a
  // trailing "\".
  std::wstring Dir(const std::wstring& rel);
  std::string Dir(const std::string& rel) { return WideToAnsi(Dir(AnsiToWide(rel))); }
  // The full path of a name relative to the sandbox (nothing is created).
  [[nodiscard]] std::wstring PathOf(const std::wstring& rel) const { return Root_ + rel; }
  [[nodiscard]] std::string PathOf(const std::string& rel) const { return AnsiPath() + rel; }

 private:
  static constexpr wchar_t kPrefix[] = L"korv-test-";
  static void RemoveTree(const std::wstring& dir);
  std::wstring Root_;
};

// ---------------------------------------------------------------------------------------------

inline TSandbox::TSandbox() {
  wchar_t temp[MAX_PATH + 1] = {};
  DWORD n = GetTempPathW(MAX_PATH, temp);
  if (!n || n > MAX_PATH) throw std::runtime_error("no temporary folder");
  // The long form: ID lists and the shell resolve back to long names.
  wchar_t full[MAX_PATH * 2] = {};
  DWORD len = GetLongPathNameW(temp, full, MAX_PATH * 2);
  std::wstring base = len && len < MAX_PATH * 2 ? std::wstring(full, len) : std::wstring(temp, n);
  if (base.back() != L'\\') base += L'\\';
  static std::atomic<int> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring candidate = base + kPrefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(counter++);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      Root_ = candidate + L"\\";
      return;
    }
  }
  throw std::runtime_error("cannot create a sandbox folder");
}

inline TSandbox::~TSandbox() {
  // Only a folder this object made, inside the temporary folder, is ever removed.
  if (Root_.find(kPrefix) != std::wstring::npos && Root_.size() > 20) RemoveTree(Root_);
}

// Removes a folder tree; only ever called on the sandbox root.
inline void TSandbox::RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = dir + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full + L"\\");
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(h, &fd));
    ::FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

inline std::wstring TSandbox::Dir(const std::wstring& rel) {
  std::wstring full = Root_;
  size_t start = 0;
  while (start <= rel.size()) {
    size_t end = rel.find(L'\\', start);
    if (end == std::wstring::npos) end = rel.size();
    full += rel.substr(start, end - start);
    CreateDirectoryW(full.c_str(), nullptr);
    if (end == rel.size()) break;
    full += L'\\';
    start = end + 1;
  }
  return full;
}

inline std::wstring TSandbox::File(const std::wstring& rel, const std::string& content) {
  size_t slash = rel.rfind(L'\\');
  if (slash != std::wstring::npos) Dir(rel.substr(0, slash));
  std::wstring full = Root_ + rel;
  HANDLE h = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a sandbox file");
  DWORD written = 0;
  WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(h);
  return full;
}

}  // namespace korv::test
