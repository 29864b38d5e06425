// Loading and saving a 50 MB UTF-16 file through TTntStringList, each beside a plain read or
// write of the same bytes in the same run.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "harness/Bench.h"
#include "shell/unicode/TntClasses.h"

namespace {

using korv::bench::Body;
using korv::bench::DoNotOptimize;

constexpr size_t kTargetBytes = size_t{50} * 1024 * 1024;

// A deterministic text of file-list lines (paths with Latin, Cyrillic and CJK names), UTF-16 LE
// with its mark and CR LF line ends, close to kTargetBytes.
std::vector<unsigned char> MakeFileImage() {
  static const wchar_t* const kFolders[] = {
      L"C:\\Users\\J\u00FCrgen\\Documents\\", L"D:\\\u0414\u043E\u043A\u0443\u043C\u0435\u043D\u0442\u044B\\",
      L"C:\\Program Files\\Korvani\\data\\", L"E:\\\u5199\u771F\\2024\\", L"\\\\server\\share\\projects\\build\\"};
  static const wchar_t* const kNames[] = {L"report", L"\u0444\u0430\u0439\u043B", L"\u753B\u50CF",
                                          L"backup", L"r\u00E9sum\u00E9",         L"notes"};
  static const wchar_t* const kExts[] = {L".txt", L".docx", L".jpg", L".tar.gz", L""};
  std::wstring text;
  text.reserve(kTargetBytes / 2 + 256);
  text += L'\xFEFF';
  uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  wchar_t num[32];
  while (text.size() * 2 < kTargetBytes) {
    text += kFolders[next() % 5];
    const unsigned depth = next() % 3;
    for (unsigned d = 0; d < depth; ++d) {
      text += kNames[next() % 6];
      text += L'\\';
    }
    text += kNames[next() % 6];
    std::swprintf(num, 32, L"_%06u", next() % 1000000);
    text += num;
    text += kExts[next() % 5];
    text += L"\r\n";
  }
  std::vector<unsigned char> bytes(text.size() * 2);
  std::memcpy(bytes.data(), text.data(), bytes.size());
  return bytes;
}

std::wstring TempPath(const wchar_t* name) {
  wchar_t dir[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, dir);
  return std::wstring(dir, n) + name;
}

void WriteWholeFile(const std::wstring& path, const void* data, size_t size) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot create %ls\n", path.c_str());
    std::exit(1);
  }
  DWORD written = 0;
  if (!WriteFile(h, data, static_cast<DWORD>(size), &written, nullptr) || written != size) {
    std::fprintf(stderr, "short write to %ls\n", path.c_str());
    std::exit(1);
  }
  CloseHandle(h);
}

std::vector<unsigned char> ReadWholeFile(const std::wstring& path) {
  HANDLE h =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  LARGE_INTEGER size;
  GetFileSizeEx(h, &size);
  std::vector<unsigned char> data(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &read, nullptr);
  CloseHandle(h);
  data.resize(read);
  return data;
}

}  // namespace

int main(int argc, char** argv) {
  korv::bench::Runner run(argc, argv);

  const std::vector<unsigned char> image = MakeFileImage();
  const std::wstring source = TempPath(L"korv-unicode-bench-source.txt");
  const std::wstring target = TempPath(L"korv-unicode-bench-target.txt");
  WriteWholeFile(source, image.data(), image.size());

  int lines = 0;
  {
    korv::TTntStringList check;
    check.LoadFromFile(source);
    lines = check.GetCount();
    check.SaveToFile(target);
  }
  const bool identical = ReadWholeFile(target) == image;
  std::printf("file: %.1f MB UTF-16 LE with mark, %d lines; save reproduces the file: %s\n",
              static_cast<double>(image.size()) / (1024.0 * 1024.0), lines, identical ? "yes" : "NO");
  std::fflush(stdout);
  run.SetBytesPerIteration(static_cast<int64_t>(image.size()));

  // Load: open, read every byte, close and free, against the list's load (from construction
  // to destruction, so the strings' release counts too).
  run.Compare("load 50 MB UTF-16 file",
              Body{"ReadFile into a new buffer",
                   [&] {
                     HANDLE h = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
                     LARGE_INTEGER size;
                     GetFileSizeEx(h, &size);
                     std::unique_ptr<unsigned char[]> buf(new unsigned char[static_cast<size_t>(size.QuadPart)]);
                     DWORD read = 0;
                     ReadFile(h, buf.get(), static_cast<DWORD>(size.QuadPart), &read, nullptr);
                     CloseHandle(h);
                     DoNotOptimize(buf[read / 2]);
                   }},
              Body{"TTntStringList.LoadFromFile (and free)", [&] {
                     korv::TTntStringList list;
                     list.LoadFromFile(source);
                     DoNotOptimize(list.GetCount());
                   }});

  // Save: create, write the same bytes, close, against the list's save.
  const Body writeSameBytes{"WriteFile of the same bytes", [&] {
                              HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr);
                              DWORD written = 0;
                              WriteFile(h, image.data(), static_cast<DWORD>(image.size()), &written, nullptr);
                              CloseHandle(h);
                              DoNotOptimize(written);
                            }};
  korv::TTntStringList loaded;
  loaded.LoadFromFile(source);
  run.Compare("save 50 MB UTF-16 file, list as loaded", writeSameBytes,
              Body{"TTntStringList.SaveToFile", [&] { loaded.SaveToFile(target); }});

  // The same text in a list built line by line: no line lies in a loaded buffer any more, so
  // every line is gathered and copied.
  korv::TTntStringList built;
  for (int i = 0; i < loaded.GetCount(); ++i) built.Add(std::wstring(loaded.StringView(i)));
  run.Compare("save 50 MB UTF-16 file, list built by Add", writeSameBytes,
              Body{"TTntStringList.SaveToFile", [&] { built.SaveToFile(target); }});

  DeleteFileW(source.c_str());
  DeleteFileW(target.c_str());
  return run.Finish();
}
