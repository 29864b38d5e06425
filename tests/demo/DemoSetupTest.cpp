// The demo's command line and its folder of sample files.
#include <windows.h>

#include "DemoSetup.h"
#include "DemoTestKit.h"
#include "ResultStore.h"
#include "classlib/SysUtils.h"
#include "shell/browser/ShellBrowser.h"
#include "shell/dragdrop/DragDropFile.h"

namespace korv::test {
namespace {

TEST(ParseDemoArgs, NoArgumentMeansTheSampleFolder) {
  TDemoArgs a = ParseDemoArgs({});
  EXPECT_TRUE(a.Folder.empty());
  EXPECT_TRUE(a.Error.empty());
}

TEST(ParseDemoArgs, AnExistingFolderBecomesAFullPathWithItsDelimiter) {
  TSandbox box;
  TDemoArgs a = ParseDemoArgs({AnsiToWide(ExcludeTrailingPathDelimiter(box.AnsiPath()))});
  EXPECT_TRUE(a.Error.empty()) << a.Error;
  EXPECT_EQ(a.Folder, box.AnsiPath());

  // A relative name is taken from the current folder.
  const std::string saved = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDirectoryA(box.AnsiPath().c_str()));
  box.Dir("inner");
  TDemoArgs r = ParseDemoArgs({L"inner"});
  SetCurrentDirectoryA(saved.c_str());
  EXPECT_TRUE(r.Error.empty()) << r.Error;
  EXPECT_TRUE(AnsiSameText(r.Folder, box.AnsiPath() + "inner\\")) << r.Folder;
}

TEST(ParseDemoArgs, BadArgumentsAreRefusedWithAMessage) {
  TSandbox box;
  const std::string missing = box.AnsiPath() + "missing";
  TDemoArgs a = ParseDemoArgs({AnsiToWide(missing)});
  EXPECT_TRUE(a.Folder.empty());
  EXPECT_EQ(a.Error, "Folder not found: " + missing);

  // A file is not a folder.
  const std::string file = box.File("plain.txt");
  EXPECT_EQ(ParseDemoArgs({AnsiToWide(file)}).Error, "Folder not found: " + file);

  EXPECT_EQ(ParseDemoArgs({L"a", L"b"}).Error, "Usage: korvani_demo.exe [folder]");
  EXPECT_FALSE(ParseDemoArgs({L""}).Error.empty());
}

TEST(ParseDemoArgs, ANameTheCodePageCannotCarryIsRefused) {
  // A character outside the system's 8-bit code page would turn into another name.
  std::wstring name = TSandbox().Path() + L"\u4E2D\u6587";
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), -1, nullptr, 0, nullptr, &lossy);
  if (!lossy) GTEST_SKIP() << "the system code page carries these characters";
  TDemoArgs a = ParseDemoArgs({name});
  EXPECT_TRUE(a.Folder.empty());
  EXPECT_NE(a.Error.find("code page"), std::string::npos) << a.Error;
}

TEST(SampleFolder, WritesAHandfulOfTextFilesUnderTheTemporaryFolderAndRemovesThem) {
  std::string path;
  std::vector<std::string> files;
  {
    TSampleFolder samples;
    path = samples.Path();
    files = samples.Files();
    EXPECT_TRUE(AnsiSameText(path.substr(0, GetTempDir().size()), GetTempDir())) << path;
    EXPECT_EQ(path.back(), '\\');
    ASSERT_GE(files.size(), 3u);
    std::vector<TResultRow> rows = ReadFolderRows(path);
    EXPECT_EQ(rows.size(), files.size());
    for (const TResultRow& r : rows) EXPECT_GT(r.Bytes, 0) << r.Name;
    // A second one never shares the folder.
    TSampleFolder other;
    EXPECT_NE(other.Path(), path);
  }
  EXPECT_FALSE(DirectoryExists(path));
  for (const std::string& f : files) EXPECT_FALSE(FileExists(path + f)) << f;
}

TEST(SampleFolder, KeepsFilesItDidNotWrite) {
  std::string path, stranger;
  {
    TSampleFolder samples;
    path = samples.Path();
    stranger = path + "someone else's.txt";
    HANDLE h = CreateFileA(stranger.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  }
  EXPECT_TRUE(FileExists(stranger));
  EXPECT_EQ(ReadFolderRows(path).size(), 1u);
  DeleteFileA(stranger.c_str());
  RemoveDirectoryA(path.c_str());
}

// The drag-and-drop registry holds a pair of the file data format.
bool FileFormatsRegistered() {
  TDataFormatMap* map = TDataFormatMap::Existing();
  if (!map) return false;
  for (int i = 0; i < map->Count(); ++i)
    if (map->Items(i).DataFormatClass == TFileDataFormat::StaticClass()) return true;
  return false;
}

TEST(LibraryStartup, StartsAndStopsEverythingTheWindowNeeds) {
  // The test program's start-up object runs the units (its environment): end it, then make
  // another, as the demo's main does.
  ASSERT_TRUE(FileFormatsRegistered());
  ASSERT_NE(GetClass("TShellBrowser"), nullptr);
  ASSERT_NE(GetClass("TsSkinManager"), nullptr);
  TDemoEnvironment::Startup().reset();
  EXPECT_FALSE(FileFormatsRegistered());
  EXPECT_EQ(GetClass("TShellBrowser"), nullptr);
  EXPECT_EQ(GetClass("TsSkinManager"), nullptr);
  EXPECT_THROW((void)DesktopFolder(), ENotStarted);
  EXPECT_THROW(std::unique_ptr<TDropFileSource>(NewComponent<TDropFileSource>(nullptr)), ENotStarted);
  // Application and Screen are the test program's own: the start-up object left them alone.
  EXPECT_NE(Application, nullptr);

  TDemoEnvironment::Startup() = std::make_unique<TLibraryStartup>();
  EXPECT_TRUE(FileFormatsRegistered());
  EXPECT_NE(GetClass("TShellBrowser"), nullptr);
  EXPECT_NE(GetClass("TsSkinManager"), nullptr);
  EXPECT_NE(DesktopFolder(), nullptr);
  EXPECT_TRUE(ShellStartupError().empty());
  // A file drop source made now offers the files as CF_HDROP.
  std::unique_ptr<TDropFileSource> source(NewComponent<TDropFileSource>(nullptr));
  source->Files()->Add(ParamStr0());
  FORMATETC fe{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  EXPECT_EQ(source->QueryGetData(&fe), S_OK);
  // One start-up object at a time.
  EXPECT_THROW(TLibraryStartup(), EInvalidOperation);
}

}  // namespace
}  // namespace korv::test
