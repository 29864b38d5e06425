// Reading the program's own skin: the stored skin from the executable's resource, and the folder
// skin it was made from, each beside a plain read of the same bytes in the same run. Then the
// bitmap primitives of skin painting (PaintBench.cpp).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PaintBench.h"
#include "classlib/IniFiles.h"
#include "classlib/SysUtils.h"
#include "harness/Bench.h"
#include "skin/data/sGeneralsReader.h"
#include "skin/data/sSkinConvert.h"

namespace {

using namespace korv;
using korv::bench::Body;
using korv::bench::DoNotOptimize;

// The resource's bytes, found and copied the plain way.
std::vector<unsigned char> CopyResource(const char* name) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC res = FindResourceA(module, name, MAKEINTRESOURCEA(10));
  HGLOBAL mem = res ? LoadResource(module, res) : nullptr;
  const void* p = mem ? LockResource(mem) : nullptr;
  if (!p) return {};
  const DWORD size = SizeofResource(module, res);
  std::vector<unsigned char> out(size);
  std::memcpy(out.data(), p, size);
  return out;
}

// A whole file read with ReadFile.
std::vector<unsigned char> ReadWholeFile(const std::string& name) {
  std::vector<unsigned char> out;
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  LARGE_INTEGER size{};
  GetFileSizeEx(h, &size);
  out.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!out.empty()) ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &read, nullptr);
  CloseHandle(h);
  out.resize(read);
  return out;
}

}  // namespace

// The stored and the folder skin read; false when the folder skin is missing.
static bool SkinDataBenches(korv::bench::Runner& run) {
  const std::string folder = ExpandFileName(ExeFolder() + "..\\skins\\Korvani\\");
  if (!FileExists(folder + "Options.dat")) {
    std::fprintf(stderr, "folder skin not found at %s\n", folder.c_str());
    return false;
  }
  const size_t resourceBytes = CopyResource(sInternalSkinResource).size();
  const size_t folderBytes = ReadWholeFile(folder + "Options.dat").size() + ReadWholeFile(folder + "Master.bmp").size();
  std::printf("stored skin resource: %u bytes; folder skin: %u bytes\n", static_cast<unsigned>(resourceBytes),
              static_cast<unsigned>(folderBytes));

  run.SetBytesPerIteration(static_cast<int64_t>(resourceBytes));
  const Body copyResourceBytes{"copy of the resource bytes", [] {
                                 auto b = CopyResource(sInternalSkinResource);
                                 DoNotOptimize(b.data());
                               }};
  run.Compare("stored skin from the resource", copyResourceBytes,
              Body{"ReadStoredSkinsResource", [] {
                     TsStoredSkins skins(nullptr);
                     ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, skins);
                     DoNotOptimize(skins.Count());
                   }});

  run.Compare("section table of the stored skin", copyResourceBytes,
              Body{"resource read + LoadAllGenerals", [] {
                     TsStoredSkins skins(nullptr);
                     ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, skins);
                     TacGeneralsSources src;
                     src.Stored = &skins;
                     src.SkinName = skins.Items(0)->Name();
                     TsSkinData data;
                     TsGeneralDataArray table;
                     LoadAllGenerals(src, data, table);
                     DoNotOptimize(table.data());
                   }});

  run.SetBytesPerIteration(static_cast<int64_t>(folderBytes));
  run.Compare("folder skin: sections",
              Body{"ReadFile of Options.dat",
                   [&] {
                     auto b = ReadWholeFile(folder + "Options.dat");
                     DoNotOptimize(b.data());
                   }},
              Body{"TMemIniFile + LoadAllGenerals", [&] {
                     TMemIniFile ini(folder + "Options.dat");
                     TacMemIniSource source(ini);
                     TacGeneralsSources src;
                     src.Folder = &source;
                     TsSkinData data;
                     TsGeneralDataArray table;
                     LoadAllGenerals(src, data, table);
                     DoNotOptimize(table.data());
                   }});

  run.Compare("folder skin: whole (sections, images, master bitmap)",
              Body{"ReadFile of Options.dat and Master.bmp",
                   [&] {
                     auto a = ReadWholeFile(folder + "Options.dat");
                     auto b = ReadWholeFile(folder + "Master.bmp");
                     DoNotOptimize(a.data());
                     DoNotOptimize(b.data());
                   }},
              Body{"FolderSkinToStored", [&] {
                     TsStoredSkins skins(nullptr);
                     FolderSkinToStored(folder, *skins.Add());
                     DoNotOptimize(skins.Count());
                   }});
  return true;
}

int main(int argc, char** argv) {
  korv::bench::Runner run(argc, argv);
  const bool data = SkinDataBenches(run);
  const bool paintGoals = korv::bench::SkinPaintBenches(run);
  const int finish = run.Finish();
  return !data || !paintGoals ? 1 : finish;
}
