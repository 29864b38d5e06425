// The demo program itself, started as a process of its own: its window, the folder it lists, its
// sample folder's life and its answer to a bad command line.
// <windows.h> goes first: the other platform headers need it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>
#include <vector>

#include "DemoTestKit.h"
#include "classlib/Handles.h"
#include "classlib/SysUtils.h"
#include "support/Pixels.h"

namespace korv::test {
namespace {

// The program's path: the build puts it in demo/ beside tests/.
std::string ProgramPath() { return ExpandFileName(ExeFolder() + "..\\demo\\korvani_demo.exe"); }

struct TFound {
  DWORD Pid;
  std::string Class;  // class of the wanted window ("" for any)
  HWND Wnd = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TFound*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != f->Pid || !IsWindowVisible(w)) return TRUE;
  char title[128] = {}, cls[64] = {};
  GetWindowTextA(w, title, sizeof title);
  GetClassNameA(w, cls, sizeof cls);
  if (std::string(title) != kDemoTitle || (!f->Class.empty() && f->Class != cls)) return TRUE;
  f->Wnd = w;
  return FALSE;
}

BOOL CALLBACK FindListView(HWND w, LPARAM lp) {
  // The result list: a window that answers the list view's messages with a header.
  if (SendMessageA(w, LVM_GETHEADER, 0, 0)) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectTexts(HWND w, LPARAM lp) {
  char text[512] = {};
  GetWindowTextA(w, text, sizeof text);
  *reinterpret_cast<std::string*>(lp) += std::string(text) + "\n";
  return TRUE;
}

class TProgram {
 public:
  explicit TProgram(const std::string& args) {
    const std::string exe = ProgramPath();
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    Started = CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &Pi) != 0;
  }
  ~TProgram() {
    if (!Started) return;
    if (WaitForSingleObject(Pi.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(Pi.hProcess, 99);
      WaitForSingleObject(Pi.hProcess, 5000);
    }
    CloseHandle(Pi.hThread);
    CloseHandle(Pi.hProcess);
  }
  // The visible top-level window of the program titled as the demo, of a class ("" for any).
  HWND WaitForWindow(const std::string& cls, DWORD timeoutMs = 15000) {
    TFound f{Pi.dwProcessId, cls};
    PumpUntil(
        [&] {
          EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&f));
          return f.Wnd != nullptr || WaitForSingleObject(Pi.hProcess, 0) == WAIT_OBJECT_0;
        },
        timeoutMs);
    return f.Wnd;
  }
  // Waits for the end of the program; its exit code, or -1 when it did not end.
  int WaitForExit(DWORD timeoutMs = 15000) {
    if (!PumpUntil([&] { return WaitForSingleObject(Pi.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs)) return -1;
    DWORD code = 0;
    GetExitCodeProcess(Pi.hProcess, &code);
    return static_cast<int>(code);
  }
  [[nodiscard]] DWORD Pid() const noexcept { return Pi.dwProcessId; }

  bool Started = false;
  PROCESS_INFORMATION Pi{};
};

// The sample folders of a process under the temporary folder.
std::vector<std::string> SampleFoldersOf(DWORD pid) {
  std::vector<std::string> found;
  TSearchRec rec;
  const std::string temp = GetTempDir();
  if (FindFirst(temp + Format("korvani-demo-%u-*", static_cast<unsigned>(pid)), faDirectory, rec) == 0) {
    do {
      if (rec.Attr & faDirectory) found.push_back(temp + rec.Name + "\\");
    } while (FindNext(rec) == 0);
  }
  FindClose(rec);
  return found;
}

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FileExists(ProgramPath())) << "the demo program is not built: " << ProgramPath();
  }
};

TEST_F(Program, ListsItsSampleFilesAndRemovesThemWhenItsWindowCloses) {
  TProgram p("");
  ASSERT_TRUE(p.Started);
  HWND main = p.WaitForWindow("KorvTForm1");
  ASSERT_NE(main, nullptr) << "no window titled \"" << kDemoTitle << "\"";
  // The program carries its forms' stored descriptions: the window takes the skin's region.
  EXPECT_TRUE(PumpUntil([&] { return ReadWindowRegion(main).HasRegion(); })) << "the window is not skinned";
  HWND list = nullptr;
  EnumChildWindows(main, &FindListView, reinterpret_cast<LPARAM>(&list));
  ASSERT_NE(list, nullptr);

  std::vector<std::string> folders = SampleFoldersOf(p.Pid());
  ASSERT_EQ(folders.size(), 1u);
  const size_t files = ReadFolderRows(folders[0]).size();
  EXPECT_GE(files, 3u);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(files));

  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(), 0);
  EXPECT_FALSE(DirectoryExists(folders[0])) << folders[0];
}

TEST_F(Program, ListsTheFolderNamedOnItsCommandLineAndLeavesItAlone) {
  TSandbox box;
  box.File("x.txt");
  box.File("y.txt");
  box.File("z.txt");
  TProgram p("\"" + ExcludeTrailingPathDelimiter(box.AnsiPath()) + "\"");
  ASSERT_TRUE(p.Started);
  HWND main = p.WaitForWindow("KorvTForm1");
  ASSERT_NE(main, nullptr);
  HWND list = nullptr;
  EnumChildWindows(main, &FindListView, reinterpret_cast<LPARAM>(&list));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_TRUE(SampleFoldersOf(p.Pid()).empty());

  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(), 0);
  EXPECT_EQ(ReadFolderRows(box.AnsiPath()).size(), 3u);
}

TEST_F(Program, AMissingFolderIsReportedAndTheProgramEnds) {
  TSandbox box;
  const std::string missing = box.AnsiPath() + "missing";
  TProgram p("\"" + missing + "\"");
  ASSERT_TRUE(p.Started);
  HWND box_ = p.WaitForWindow("#32770");
  ASSERT_NE(box_, nullptr) << "no message box";
  std::string texts;
  EnumChildWindows(box_, &CollectTexts, reinterpret_cast<LPARAM>(&texts));
  EXPECT_NE(texts.find("Folder not found: " + missing), std::string::npos) << texts;
  PostMessageA(box_, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(p.WaitForExit(), 2);
}

}  // namespace
}  // namespace korv::test
