#include "DemoSetup.h"

// <windows.h> goes first: the other platform headers need it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "classlib/SysUtils.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// Arguments

TDemoArgs ParseDemoArgs(const std::vector<std::wstring>& args) {
  TDemoArgs r;
  if (args.empty()) return r;
  if (args.size() > 1) {
    r.Error = "Usage: korvani_demo.exe [folder]";
    return r;
  }
  const std::wstring& arg = args.front();
  if (arg.empty()) {
    r.Error = "The folder name is empty.";
    return r;
  }
  // The list works with 8-bit names: a name the code page cannot carry would name another file.
  std::string name;
  if (!WideToAnsiExact(arg, name)) {
    r.Error = "The folder name cannot be written in the system's code page: " + WideToAnsi(arg);
    return r;
  }
  std::string full = ExpandFileName(name);
  if (full.empty() || !DirectoryExists(full)) {
    r.Error = "Folder not found: " + name;
    return r;
  }
  r.Folder = IncludeTrailingPathDelimiter(full);
  return r;
}

std::vector<std::wstring> CommandLineArgs() {
  std::vector<std::wstring> args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return args;
}

// ---------------------------------------------------------------------------------------------
// Sample files

namespace {
struct TSample {
  const char* Name;
  const char* Line;
  int Repeat;
};
// A handful of small text files of different sizes (one above a kilobyte).
constexpr TSample kSamples[] = {
    {"readme.txt", "Drag the selected rows out as files, or right-click them for the shell's menu.\r\n", 1},
    {"notes.txt", "A note written by the demo.\r\n", 3},
    {"shopping list.txt", "bread, milk, apples\r\n", 2},
    {"letter.txt", "Dear reader, this letter is one of the demo's sample files.\r\n", 24},
    {"numbers.csv", "1,2,3,4,5,6,7,8,9,10\r\n", 6},
    {"todo.txt", "- try a drag\r\n- try a right click\r\n", 1},
};

void WriteTextFile(const std::string& path, const std::string& text) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) RaiseLastOSError();
  DWORD written = 0;
  BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  DWORD error = GetLastError();
  CloseHandle(h);
  if (!ok || written != text.size()) RaiseLastOSError(ok ? ERROR_WRITE_FAULT : error);
}
}  // namespace

TSampleFolder::TSampleFolder() {
  const std::string temp = GetTempDir();
  // A name of its own: a second demo never shares (or deletes) this one's files.
  for (int attempt = 0; attempt < 100 && FPath.empty(); ++attempt) {
    std::string candidate = temp + Format("korvani-demo-%u-%u-%d", static_cast<unsigned>(GetCurrentProcessId()),
                                          static_cast<unsigned>(GetTickCount()), attempt);
    if (CreateDirectoryA(candidate.c_str(), nullptr))
      FPath = candidate + "\\";
    else if (GetLastError() != ERROR_ALREADY_EXISTS)
      RaiseLastOSError();
  }
  if (FPath.empty()) RaiseLastOSError(ERROR_ALREADY_EXISTS);
  try {
    for (const TSample& s : kSamples) {
      std::string text;
      for (int i = 0; i < s.Repeat; ++i) text += s.Line;
      WriteTextFile(FPath + s.Name, text);
      FFiles.emplace_back(s.Name);
    }
  } catch (...) {
    Remove();
    throw;
  }
}

TSampleFolder::~TSampleFolder() { Remove(); }

void TSampleFolder::Remove() noexcept {
  if (FPath.empty()) return;
  for (const std::string& name : FFiles) DeleteFileA((FPath + name).c_str());
  FFiles.clear();
  // Fails, and keeps the folder, when someone put other files in it.
  RemoveDirectoryA(FPath.c_str());
  FPath.clear();
}

}  // namespace korv
