#include "LoadBench.h"

#include <cstdio>
#include <functional>
#include <string>

#include "BenchForms.h"
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
  std::printf("  goal: at most %.0fx the plain read and decode with the unskinned form's repaint: %s\n\n", goal,
              met ? "met" : "MISSED");
  return met;
}

// The picture bytes a stored skin holds, as the class library writes them.
void StoredMasterBytes(TMemoryStream& bytes) {
  TsStoredSkins skins(nullptr);
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, skins);
  skins.Items(0)->MasterBitmap()->SaveToStream(bytes);
}

// A manager as a program's main form carries it: the skin directory and the colour shifts, set
// before any skin is loaded (so they cost nothing here); then the skin loaded.
std::function<void(TsSkinManager&)> SetUp(const std::string& dir, bool colours,
                                          const std::function<void(TsSkinManager&)>& load) {
  return [dir, colours, load](TsSkinManager& sm) {
    sm.SetSkinDirectory(dir);
    if (colours) {
      sm.SetHueOffset(30);
      sm.SetSaturation(20);
    }
    load(sm);
  };
}

// What a program without the library does for a new look: its pictures read and decoded, its
// form repainted.
Body Baseline(const TBenchScene& scene, const Body& readAndDecode) {
  return Body{readAndDecode.Name + ", the unskinned form repainted",
              [&scene, read = readAndDecode.Run] {
                read();
                RepaintWhole(scene.Plain.Wnd());
              },
              [&scene] { ShowAlone(scene.Plain, scene.Skinned); }};
}

// A load with the skinned form open (the load repaints it).
Body Subject(const TBenchScene& scene, const char* name, std::function<void()> load) {
  return Body{name,
              [&scene, load = std::move(load)] {
                load();
                Drain(scene.Skinned.Wnd());
              },
              [&scene] { ShowAlone(scene.Skinned, scene.Plain); }};
}

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
    TBenchScene m(SetUp(skins, colours != 0, [](TsSkinManager& sm) { sm.SetSkinName("Korvani"); }));
    const Comparison c = run.Compare(std::string("folder skin loaded with a form open, ") + kColours[colours],
                                     Baseline(m, plainFolder), Subject(m, "SkinName setter (LoadSkin)", [&] {
                                       m.Sm.SetSkinName("Korvani");
                                       DoNotOptimize(m.Sm.Images.data());
                                     }));
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
    TBenchScene m(SetUp(ExeFolder() + "no-skins-here", colours != 0, LoadStoredSkin));
    const Comparison c = run.Compare(std::string("stored skin loaded with a form open, ") + kColours[colours],
                                     Baseline(m, plainStored), Subject(m, "resource read + SkinName setter", [&] {
                                       LoadStoredSkin(m.Sm);
                                       DoNotOptimize(m.Sm.Images.data());
                                     }));
    met = Goal(c, colours ? 5 : 3) && met;
  }
  run.SetBytesPerIteration(0);
  SkinUnitsShutdown();
  DoneClassLib();
  return met;
}

}  // namespace korv::bench
