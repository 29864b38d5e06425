// Rendering and reading CF_HDROP and "Shell IDList Array" for 10,000 files, each beside a raw copy
// of the same bytes in the same run, and reported per file.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../../tests/support/Sandbox.h"
#include "harness/Bench.h"
#include "shell/dragdrop/DragDropPIDL.h"

namespace {

using korv::bench::Body;
using korv::bench::DoNotOptimize;

constexpr int kFiles = 10000;
constexpr int kFolders = 10;

// 10,000 real files in ten folders of a sandbox folder (ID lists need files that exist).
struct TBenchFiles {
  korv::test::TSandbox Box;
  korv::TStringList Paths;

  TBenchFiles() {
    char name[64];
    for (int i = 0; i < kFiles; ++i) {
      std::snprintf(name, sizeof name, "folder %02d\\file_%06d.dat", i % kFolders, i);
      Paths.Add(Box.File(std::string(name), ""));
    }
  }
};

FORMATETC Request(korv::TClipboardFormat& f) {
  FORMATETC fe = f.FormatEtc();
  fe.tymed = TYMED_HGLOBAL;
  return fe;
}

std::string Bytes(HGLOBAL h) {
  std::string s(GlobalSize(h), '\0');
  if (void* p = GlobalLock(h)) {
    std::memcpy(s.data(), p, s.size());
    GlobalUnlock(h);
  }
  return s;
}

// The baseline of a render: a new global block with the same bytes.
Body RawRender(const std::string& bytes) {
  return Body{"raw copy into new global memory", [&bytes] {
                HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, bytes.size());
                void* p = GlobalLock(h);
                std::memcpy(p, bytes.data(), bytes.size());
                GlobalUnlock(h);
                GlobalFree(h);
              }};
}

// The baseline of a read: the same bytes copied out of global memory.
Body RawRead(HGLOBAL h) {
  return Body{"raw copy out of global memory", [h] {
                size_t n = GlobalSize(h);
                std::vector<char> out(n);
                const void* p = GlobalLock(h);
                std::memcpy(out.data(), p, n);
                GlobalUnlock(h);
                DoNotOptimize(out.data());
              }};
}

void PerFile(const korv::bench::Comparison& c) {
  if (c.Title.empty()) return;
  std::printf("  per file: %s (raw copy of the same bytes %s)\n\n",
              korv::bench::FormatSeconds(c.Subject.Median / kFiles).c_str(),
              korv::bench::FormatSeconds(c.Baseline.Median / kFiles).c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  korv::bench::Runner run(argc, argv);
  korv::DragDropPIDLStartup();
  int rc = 0;
  {
    TBenchFiles files;

    // CF_HDROP
    korv::TFileClipboardFormat hdrop;
    hdrop.Files().Assign(&files.Paths);
    korv::TStgMedium hdropMedium;
    if (!hdrop.SetData(Request(hdrop), hdropMedium.M)) {
      std::fprintf(stderr, "CF_HDROP did not render\n");
      return 1;
    }
    const std::string hdropBytes = Bytes(hdropMedium.M.hGlobal);

    // Shell IDList Array
    korv::TPIDLClipboardFormat ids;
    ids.Filenames().Assign(&files.Paths);
    korv::TStgMedium idsMedium;
    if (ids.PIDLs().Count() != kFiles + 1 || !ids.SetData(Request(ids), idsMedium.M)) {
      std::fprintf(stderr, "Shell IDList Array did not render\n");
      return 1;
    }
    const std::string idsBytes = Bytes(idsMedium.M.hGlobal);
    std::printf("%d files in %d folders: CF_HDROP %zu bytes, Shell IDList Array %zu bytes\n", kFiles, kFolders,
                hdropBytes.size(), idsBytes.size());
    {
      korv::TPIDLClipboardFormat check;
      bool ok = check.ReadFromMedium(nullptr, idsMedium.M) && check.Filenames().Count() == kFiles &&
                korv::SameText(check.Filenames()[kFiles - 1], files.Paths[kFiles - 1]);
      std::printf("ID lists resolve back to the paths: %s\n\n", ok ? "yes" : "NO");
      if (!ok) rc = 1;
    }
    std::fflush(stdout);

    PerFile(run.Compare("CF_HDROP: render 10,000 names into global memory", RawRender(hdropBytes),
                        Body{"TFileClipboardFormat.SetData", [&] {
                               korv::TStgMedium m;
                               hdrop.SetData(Request(hdrop), m.M);
                               DoNotOptimize(m.M.hGlobal);
                             }}));

    korv::TFileClipboardFormat hdropReader;
    PerFile(run.Compare("CF_HDROP: read 10,000 names from global memory", RawRead(hdropMedium.M.hGlobal),
                        Body{"TFileClipboardFormat read", [&] {
                               hdropReader.ReadFromMedium(nullptr, hdropMedium.M);
                               DoNotOptimize(hdropReader.Files().Count());
                             }}));

    PerFile(run.Compare("Shell IDList Array: render 10,000 ID lists into global memory", RawRender(idsBytes),
                        Body{"TPIDLClipboardFormat.SetData", [&] {
                               korv::TStgMedium m;
                               ids.SetData(Request(ids), m.M);
                               DoNotOptimize(m.M.hGlobal);
                             }}));

    korv::TPIDLClipboardFormat idsReader;
    PerFile(run.Compare("Shell IDList Array: read 10,000 ID lists from global memory", RawRead(idsMedium.M.hGlobal),
                        Body{"TPIDLClipboardFormat read", [&] {
                               idsReader.ReadFromMedium(nullptr, idsMedium.M);
                               DoNotOptimize(idsReader.PIDLs().Count());
                             }}));

    // The whole road of a drag: paths parsed by the shell into ID lists and rendered; a block
    // read and every ID list resolved back to its path.
    PerFile(run.Compare("Shell IDList Array: build from 10,000 paths and render", RawRender(idsBytes),
                        Body{"Filenames.Assign + SetData", [&] {
                               korv::TPIDLClipboardFormat f;
                               f.Filenames().Assign(&files.Paths);
                               korv::TStgMedium m;
                               f.SetData(Request(f), m.M);
                               DoNotOptimize(m.M.hGlobal);
                             }}));

    PerFile(run.Compare("Shell IDList Array: read and resolve 10,000 paths", RawRead(idsMedium.M.hGlobal),
                        Body{"read + Filenames", [&] {
                               korv::TPIDLClipboardFormat f;
                               f.ReadFromMedium(nullptr, idsMedium.M);
                               std::vector<std::string> paths = korv::StringsToVector(f.Filenames());
                               DoNotOptimize(paths.data());
                             }}));
  }
  korv::DragDropPIDLShutdown();
  int finish = run.Finish();
  return rc ? rc : finish;
}
