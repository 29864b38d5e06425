#include "support/Sandbox.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace korv::test {

namespace {

constexpr wchar_t kSandboxPrefix[] = L"korv-test-";

// Removes a folder tree; only ever called on the sandbox root.
void RemoveTree(const std::wstring& dir) {
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

std::wstring LongPath(const std::wstring& p) {
  wchar_t buf[MAX_PATH * 2] = {};
  DWORD n = GetLongPathNameW(p.c_str(), buf, MAX_PATH * 2);
  return n && n < MAX_PATH * 2 ? std::wstring(buf, n) : p;
}

}  // namespace

TSandbox::TSandbox() {
  wchar_t temp[MAX_PATH + 1] = {};
  DWORD n = GetTempPathW(MAX_PATH, temp);
  if (!n || n > MAX_PATH) throw std::runtime_error("no temporary folder");
  std::wstring base = LongPath(temp);
  if (base.back() != L'\\') base += L'\\';
  static std::atomic<int> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring candidate = base + kSandboxPrefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(counter++);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      Root_ = candidate + L"\\";
      return;
    }
  }
  throw std::runtime_error("cannot create a sandbox folder");
}

TSandbox::~TSandbox() {
  // Only a folder this object made, inside the temporary folder, is ever removed.
  if (Root_.find(kSandboxPrefix) != std::wstring::npos && Root_.size() > 20) RemoveTree(Root_);
}

std::wstring TSandbox::Dir(const std::wstring& rel) {
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

std::wstring TSandbox::File(const std::wstring& rel, const std::string& content) {
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
