#include "LoadBench.h"

#include <cstdio>
#include <string>

#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "classlib/SysUtils.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinStartup.h"
#include "skin/data/sSkinConvert.h"

namespace korv::bench {

namespace {

// Whether a comparison met its goal (a ratio of at most Goal); a case the filter skipped counts
// as met.
bool Goal(const Comparison& c, double goal) {
  if (c.Title.empty()) return true;
  const bool met = c.Ratio <= goal;
  std::printf("  goal: at most %.0fx the plain read and decode: %s\n\n", goal, met ? "met" : "MISSED");
  return met;
}

// The picture bytes a stored skin holds, as the class library writes them.
void StoredMasterBytes(TMemoryStream& bytes) {
  TsStoredSkins skins(nullptr);
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, skins);
  skins.Items(0)->MasterBitmap()->SaveToStream(bytes);
}

// A manager as a program's main form carries it: the skin directory, the colour shifts (set
// before any skin is loaded, so they cost nothing here), and nothing loaded yet.
struct TManager {
  TManager(const std::string& dir, bool colours) {
    Sm.SetSkinDirectory(dir);
    if (colours) {
      Sm.SetHueOffset(30);
      Sm.SetSaturation(20);
    }
  }
  const std::unique_ptr<TsSkinManager> Owned{NewComponent<TsSkinManager>(nullptr)};
  TsSkinManager& Sm = *Owned;
};

}  // namespace

bool SkinLoadBenches(Runner& run) {
  const std::string skins = ExpandFileName(ExeFolder() + "..\\skins");
  const std::string folder = skins + "\\Korvani\\";
  if (!FileExists(folder + "Options.dat")) {
    std::fprintf(stderr, "folder skin not found at %s\n", folder.c_str());
    return false;
  }
  InitClassLib();
  SkinUnitsStartup();
  bool met = true;
  const char* kColours[2] = {"colours as they are", "hue 30, saturation 20"};

  // The folder skin: Options.dat and the master bitmap it names.
  run.SetBytesPerIteration(static_cast<int64_t>(FileSizeOf(folder + "Options.dat") + FileSizeOf(folder + "Master.bmp")));
  const Body plainFolder{"read Options.dat and Master.bmp + DecodeBmp", [&] {
                           TMemoryStream options, master;
                           options.LoadFromFile(folder + "Options.dat");
                           master.LoadFromFile(folder + "Master.bmp");
                           const TDecodedBmp bmp =
                               DecodeBmp(static_cast<const uint8_t*>(master.Memory()), static_cast<size_t>(master.Size()));
                           DoNotOptimize(options.Memory());
                           DoNotOptimize(bmp.Bits.data());
                         }};
  for (int colours = 0; colours < 2; ++colours) {
    TManager m(skins, colours != 0);
    const Comparison c = run.Compare(std::string("folder skin loaded, ") + kColours[colours], plainFolder,
                                     Body{"SkinName setter (LoadSkin)", [&] {
                                            m.Sm.SetSkinName("Korvani");
                                            DoNotOptimize(m.Sm.Images.data());
                                          }});
    met = Goal(c, colours ? 5 : 3) && met;
  }

  // The stored skin: the resource read into the manager's stored skins, then loaded.
  run.SetBytesPerIteration(
      TResourceStream(GetModuleHandleA(nullptr), sInternalSkinResource, MAKEINTRESOURCEA(10)).Size());
  TMemoryStream master;
  StoredMasterBytes(master);
  const Body plainStored{"copy of the resource bytes + DecodeBmp", [&] {
                           TResourceStream res(GetModuleHandleA(nullptr), sInternalSkinResource, MAKEINTRESOURCEA(10));
                           TMemoryStream copy;
                           copy.LoadFromStream(res);
                           const TDecodedBmp bmp =
                               DecodeBmp(static_cast<const uint8_t*>(master.Memory()), static_cast<size_t>(master.Size()));
                           DoNotOptimize(copy.Memory());
                           DoNotOptimize(bmp.Bits.data());
                         }};
  for (int colours = 0; colours < 2; ++colours) {
    TManager m(ExeFolder() + "no-skins-here", colours != 0);
    const Comparison c = run.Compare(std::string("stored skin loaded, ") + kColours[colours], plainStored,
                                     Body{"resource read + SkinName setter", [&] {
                                            m.Sm.InternalSkins()->Clear();
                                            ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource,
                                                                    *m.Sm.InternalSkins());
                                            m.Sm.SetSkinName("Korvani");
                                            DoNotOptimize(m.Sm.Images.data());
                                          }});
    met = Goal(c, colours ? 5 : 3) && met;
  }
  run.SetBytesPerIteration(0);
  SkinUnitsShutdown();
  DoneClassLib();
  return met;
}

}  // namespace korv::bench
