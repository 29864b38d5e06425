// Reading the program's own skin: the stored skin from the executable's resource, and the folder
// skin it was made from, each beside a plain read of the same bytes in the same run. Then folder
// skins whose sections inherit along long PARENTCLASS chains and cycles, beside reading the same
// text into the INI file alone. Then, each beside what a program without the library would do in
// the same run: the bitmap primitives of skin painting beside the platform's AlphaBlend,
// TransparentBlt and StretchBlt (PaintBench.cpp), the whole load of the skin through a manager
// with a form open (LoadBench.cpp), the whole repaint of a skinned form (FormPaintBench.cpp) and
// one step of its resize (ResizeBench.cpp) beside the same form unskinned; a hue change and a
// new skin with a form of 50 panels open beside the reload and one repaint with every cache
// changed (SkinChangeBench.cpp).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FormPaintBench.h"
#include "LoadBench.h"
#include "PaintBench.h"
#include "ResizeBench.h"
#include "SkinChangeBench.h"
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

// The section table of a folder skin's INI file.
TsGeneralDataArray SectionTable(const TMemIniFile& ini) {
  TacMemIniSource source(ini);
  TacGeneralsSources src;
  src.Folder = &source;
  TsSkinData data;
  TsGeneralDataArray table;
  LoadAllGenerals(src, data, table);
  return table;
}

// A folder skin of n sections: each names the one before as its parent (the first holds the
// values), or, as a cycle, the one after (the last names the first) and none holds a value.
std::string InheritanceText(int n, bool cycle) {
  std::string text = "[GLOBALINFO]\nVERSION=4.83\n";
  for (int i = 0; i < n; ++i) {
    text += "[SECTION" + std::to_string(i) + "]\n";
    if (cycle)
      text += "PARENTCLASS=SECTION" + std::to_string((i + 1) % n) + "\n";
    else if (i > 0)
      text += "PARENTCLASS=SECTION" + std::to_string(i - 1) + "\n";
    else
      text += "COLOR=0x00C0D0E0\nBEVEL=1\nSHOWFOCUS=TRUE\nGRADIENTDATA=16777215;0;100;0;0\n";
  }
  return text;
}

void CompareInheritance(korv::bench::Runner& run, int n, bool cycle) {
  const std::string text = InheritanceText(n, cycle);
  run.SetBytesPerIteration(static_cast<int64_t>(text.size()));
  run.Compare(std::to_string(n) + " sections in a PARENTCLASS " + (cycle ? "cycle" : "chain"),
              Body{"TMemIniFile.SetText",
                   [&] {
                     TMemIniFile ini("");
                     ini.SetText(text);
                     DoNotOptimize(ini.SectionExists("GLOBALINFO"));
                   }},
              Body{"TMemIniFile.SetText + LoadAllGenerals", [&] {
                     TMemIniFile ini("");
                     ini.SetText(text);
                     DoNotOptimize(SectionTable(ini).data());
                   }});
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
                     DoNotOptimize(SectionTable(ini).data());
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

  for (bool cycle : {false, true})
    for (int n : {100, 1000, 10000}) CompareInheritance(run, n, cycle);
  return true;
}

int main(int argc, char** argv) {
  korv::bench::Runner run(argc, argv);
  const bool data = SkinDataBenches(run);
  const bool paintGoals = korv::bench::SkinPaintBenches(run);
  const bool loadGoals = korv::bench::SkinLoadBenches(run);
  const bool formGoals = korv::bench::SkinFormPaintBenches(run);
  const bool resizeGoals = korv::bench::SkinResizeBenches(run);
  const bool changeGoals = korv::bench::SkinChangeBenches(run);
  const int finish = run.Finish();
  return !data || !paintGoals || !loadGoals || !formGoals || !resizeGoals || !changeGoals ? 1 : finish;
}
