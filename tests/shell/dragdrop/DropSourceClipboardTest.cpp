// The clipboard road: the drop source placed on the OLE clipboard, read in this process and from
// a second process while its owner lives, flushed, and read again by a third process after the
// owner has exited. The other processes are this test program started again on a disabled test
// that plays a role named in the environment.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "DropSourceTestUtil.h"
#include "support/Sandbox.h"

namespace korv {
namespace {

using test::ClearClipboard;
using test::TDropSourceTest;
using test::TSandbox;

class DropSourceClipboard : public TDropSourceTest {
 protected:
  void SetUp() override {
    TDropSourceTest::SetUp();
    ClearClipboard();
  }
  void TearDown() override {
    ClearClipboard();
    TDropSourceTest::TearDown();
  }

  static std::vector<std::string> ClipboardFiles() {
    IDataObject* clip = nullptr;
    std::vector<std::string> files;
    if (OleGetClipboard(&clip) == S_OK && clip) {
      files = test::ReadHDrop(clip);
      clip->Release();
    }
    return files;
  }
};

TEST_F(DropSourceClipboard, CopyAndCutPlaceTheFilesWithTheirPreferredEffect) {
  TSandbox folder;
  std::vector<std::string> files{folder.File("c1.txt"), folder.File("c2.txt")};
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  for (const auto& f : files) s.Files()->Add(f);
  ASSERT_TRUE(s.CopyToClipboard());
  EXPECT_TRUE(s.IsOnClipboard());
  IDataObject* clip = nullptr;
  ASSERT_EQ(OleGetClipboard(&clip), S_OK);
  EXPECT_EQ(test::ReadHDrop(clip), files);
  EXPECT_TRUE(test::SamePaths(test::ReadShellIDList(clip), files));
  DWORD preferred = 0;
  ASSERT_TRUE(test::ReadDWORD(clip, "Preferred DropEffect", preferred));
  EXPECT_EQ(preferred, DWORD{DROPEFFECT_COPY});
  auto names = test::WithoutClipboardFormats(test::Enumerate(clip, DATADIR_GET).Names);
  EXPECT_EQ(names,
            (std::vector<std::string>{"InShellDragLoop", "Preferred DropEffect", "CF_HDROP", "Shell IDList Array",
                                      "FileNameW", "FileName", "FileNameMapW", "FileNameMap"}));
  clip->Release();
  // The platform's own clipboard sees the file list too.
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_HDROP));

  ASSERT_TRUE(s.CutToClipboard());
  ASSERT_EQ(OleGetClipboard(&clip), S_OK);
  ASSERT_TRUE(test::ReadDWORD(clip, "Preferred DropEffect", preferred));
  EXPECT_EQ(preferred, DWORD{DROPEFFECT_MOVE});
  clip->Release();
}

TEST_F(DropSourceClipboard, ChangingTheFilesLeavesTheOldOnesOnTheClipboard) {
  TSandbox folder;
  const std::string first = folder.File("first.txt"), second = folder.File("second.txt");
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  s.Files()->Add(first);
  ASSERT_TRUE(s.CopyToClipboard());
  EXPECT_GT(s.OutstandingReferences(), 0);  // held by the clipboard
  s.Files()->Add(second);                   // flushes first
  EXPECT_FALSE(s.IsOnClipboard());
  EXPECT_EQ(s.OutstandingReferences(), 0);  // the clipboard let go of the object
  EXPECT_EQ(ClipboardFiles(), (std::vector<std::string>{first}));
  // Placed again, the clipboard has the new list.
  ASSERT_TRUE(s.CopyToClipboard());
  EXPECT_EQ(ClipboardFiles(), (std::vector<std::string>{first, second}));
  // A drag also changes the data: the clipboard keeps its copy from before.
  s.DoDragDropProc = [](IDataObject*, IDropSource*, DWORD, DWORD* effect) {
    *effect = DROPEFFECT_NONE;
    return DRAGDROP_S_CANCEL;
  };
  EXPECT_EQ(s.PerformDrag(), drCancel);
  EXPECT_FALSE(s.IsOnClipboard());
  EXPECT_EQ(ClipboardFiles(), (std::vector<std::string>{first, second}));
  EXPECT_EQ(s.OutstandingReferences(), 0);
}

TEST_F(DropSourceClipboard, FlushKeepsTheDataEmptyAndDestructionClearIt) {
  TSandbox folder;
  const std::string file = folder.File("kept.txt");
  {
    const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
    TDropFileSource& s = *sPtr;
    s.Files()->Add(file);
    // Neither does anything while the object is not on the clipboard.
    s.FlushClipboard();
    s.EmptyClipboard();
    ASSERT_TRUE(s.CopyToClipboard());
    s.FlushClipboard();
    EXPECT_FALSE(s.IsOnClipboard());
    EXPECT_EQ(s.OutstandingReferences(), 0);
  }
  // Flushed data outlives the component.
  EXPECT_EQ(ClipboardFiles(), (std::vector<std::string>{file}));

  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  s.Files()->Add(file);
  ASSERT_TRUE(s.CopyToClipboard());
  s.EmptyClipboard();
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_HDROP));
  EXPECT_EQ(s.OutstandingReferences(), 0);
  {
    const std::unique_ptr<TDropFileSource> gonePtr(NewComponent<TDropFileSource>(nullptr));
    TDropFileSource& gone = *gonePtr;
    gone.Files()->Add(file);
    ASSERT_TRUE(gone.CopyToClipboard());
    ASSERT_TRUE(IsClipboardFormatAvailable(CF_HDROP));
  }
  // Destroyed while on the clipboard: the clipboard is emptied, nothing points at the object.
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_HDROP));
  EXPECT_TRUE(ClipboardFiles().empty());
}

// ---------------------------------------------------------------------------------------------
// Other processes

std::string Env(const char* name) {
  char buf[4096] = {};
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string Join(const std::vector<std::string>& v) {
  std::string r;
  for (size_t i = 0; i < v.size(); ++i) r += (i ? "|" : "") + v[i];
  return r;
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> r;
  if (s.empty()) return r;
  size_t start = 0;
  for (;;) {
    size_t bar = s.find('|', start);
    r.push_back(s.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return r;
}

void WriteLog(const std::string& path, const std::map<std::string, std::string>& values) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    for (const auto& [k, v] : values) std::fprintf(f, "%s=%s\n", k.c_str(), v.c_str());
    std::fclose(f);
  }
}

std::map<std::string, std::string> ReadLog(const std::string& path) {
  std::map<std::string, std::string> values;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char line[8192];
    while (std::fgets(line, sizeof line, f)) {
      std::string s(line);
      while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
      size_t eq = s.find('=');
      if (eq != std::string::npos) values[s.substr(0, eq)] = s.substr(eq + 1);
    }
    std::fclose(f);
  }
  return values;
}

// The roles of the other processes.
void PlayOwner(const std::string& log, const std::string& prefix) {
  std::map<std::string, std::string> out;
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  for (const auto& f : Split(Env("KORV_DD_FILES"))) s.Files()->Add(f);
  out["placed"] = s.CopyToClipboard() ? "1" : "0";
  TUniqueKernelHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, (prefix + "-ready").c_str()));
  TUniqueKernelHandle flush(OpenEventA(SYNCHRONIZE, FALSE, (prefix + "-flush").c_str()));
  if (!ready.Get() || !flush.Get()) {
    out["error"] = "events missing";
    WriteLog(log, out);
    return;
  }
  SetEvent(ready.Get());
  // Readers of other processes are answered from this thread's messages.
  out["flush-ordered"] = test::PumpUntilSignaled(flush.Get(), 60000) ? "1" : "0";
  out["current-before-flush"] = s.IsOnClipboard() ? "1" : "0";
  try {
    s.FlushClipboard();
    out["flushed"] = "1";
  } catch (const Exception& e) {
    out["flushed"] = "0 " + e.Message();
  }
  out["current-after-flush"] = s.IsOnClipboard() ? "1" : "0";
  out["references"] = std::to_string(s.OutstandingReferences());
  WriteLog(log, out);
}

void PlayReader(const std::string& log) {
  std::map<std::string, std::string> out;
  IDataObject* clip = nullptr;
  HRESULT hr = OleGetClipboard(&clip);
  out["open"] = std::to_string(hr);
  if (hr == S_OK && clip) {
    out["formats"] = Join(test::WithoutClipboardFormats(test::Enumerate(clip, DATADIR_GET).Names));
    out["hdrop"] = Join(test::ReadHDrop(clip));
    out["idlist"] = Join(test::ReadShellIDList(clip));
    out["filenamew"] = test::ReadFileNameW(clip);
    std::string bytes;
    if (test::GetBytes(clip, test::FormatId("FileName"), TYMED_HGLOBAL, bytes)) out["filename"] = bytes.c_str();
    DWORD preferred = 0;
    if (test::ReadDWORD(clip, "Preferred DropEffect", preferred)) out["preferred"] = std::to_string(preferred);
    clip->Release();
  }
  WriteLog(log, out);
}

// Not the clipboard fixture: a role must find the clipboard as the test left it.
class DropSourceClipboardRole : public TDropSourceTest {};

TEST_F(DropSourceClipboardRole, DISABLED_PlayTheRoleOfAnotherProcess) {
  const std::string role = Env("KORV_DD_ROLE"), log = Env("KORV_DD_LOG");
  if (role.empty() || log.empty()) GTEST_SKIP() << "started by the clipboard tests only";
  if (role == "owner") PlayOwner(log, Env("KORV_DD_PREFIX"));
  if (role == "reader") PlayReader(log);
}

// This program started again in a role; its output goes to a file beside the log.
class TRoleProcess {
 public:
  TRoleProcess(const std::string& role, const std::string& log, const std::string& prefix,
               const std::vector<std::string>& files) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string cmd = std::string("\"") + exe +
                      "\" --gtest_filter=DropSourceClipboardRole.DISABLED_PlayTheRoleOfAnotherProcess "
                      "--gtest_also_run_disabled_tests";
    SetEnvironmentVariableA("KORV_DD_ROLE", role.c_str());
    SetEnvironmentVariableA("KORV_DD_LOG", log.c_str());
    SetEnvironmentVariableA("KORV_DD_PREFIX", prefix.c_str());
    SetEnvironmentVariableA("KORV_DD_FILES", Join(files).c_str());
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE output = CreateFileA((log + ".out").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = si.hStdError = output;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
      Process = pi.hProcess;
      CloseHandle(pi.hThread);
    }
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    for (const char* v : {"KORV_DD_ROLE", "KORV_DD_LOG", "KORV_DD_PREFIX", "KORV_DD_FILES"})
      SetEnvironmentVariableA(v, nullptr);
  }
  ~TRoleProcess() {
    if (!Process) return;
    if (WaitForSingleObject(Process, 0) != WAIT_OBJECT_0) TerminateProcess(Process, 99);
    CloseHandle(Process);
  }
  TRoleProcess(const TRoleProcess&) = delete;
  TRoleProcess& operator=(const TRoleProcess&) = delete;

  // Waits (pumping this thread's messages) for the process to end; its exit code, or -1.
  int Wait(DWORD timeoutMs = 60000) {
    if (!Process || !test::PumpUntilSignaled(Process, timeoutMs)) return -1;
    DWORD code = 0;
    GetExitCodeProcess(Process, &code);
    return static_cast<int>(code);
  }
  HANDLE Process = nullptr;
};

TEST_F(DropSourceClipboard, ASecondProcessReadsTheFilesAndAThirdOneAfterTheOwnerExited) {
  TSandbox folder;
  const std::vector<std::string> files{folder.File("road one.txt", "1"), folder.File("road-two.log", "22")};
  const std::string prefix = "Local\\korv-dropsource-" + std::to_string(GetCurrentProcessId());
  TUniqueKernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, (prefix + "-ready").c_str()));
  TUniqueKernelHandle flush(CreateEventA(nullptr, TRUE, FALSE, (prefix + "-flush").c_str()));
  ASSERT_TRUE(ready.Get() && flush.Get());

  const std::string ownerLog = folder.PathOf("owner.log");
  TRoleProcess owner("owner", ownerLog, prefix, files);
  ASSERT_NE(owner.Process, nullptr);
  HANDLE both[2] = {ready.Get(), owner.Process};
  ASSERT_TRUE(test::PumpUntil([&] { return WaitForMultipleObjects(2, both, FALSE, 0) != WAIT_TIMEOUT; }, 60000));
  ASSERT_TRUE(WaitForSingleObject(ready.Get(), 0) == WAIT_OBJECT_0) << "the owner ended early";

  auto expectFiles = [&](const std::map<std::string, std::string>& r, const char* when) {
    std::string dump;
    for (const auto& [k, v] : r) dump += k + "=" + v + "\n";
    SCOPED_TRACE(dump);
    EXPECT_EQ(r.count("open") ? r.at("open") : "", "0") << when;
    EXPECT_EQ(Split(r.count("hdrop") ? r.at("hdrop") : ""), files) << when;
    EXPECT_TRUE(test::SamePaths(Split(r.count("idlist") ? r.at("idlist") : ""), files)) << when;
    EXPECT_EQ(r.count("filenamew") ? r.at("filenamew") : "", files[0]) << when;
    EXPECT_EQ(r.count("filename") ? r.at("filename") : "", files[0]) << when;
    EXPECT_EQ(r.count("preferred") ? r.at("preferred") : "", std::to_string(DROPEFFECT_COPY)) << when;
  };

  // A second process reads while the owner lives (and answers from its message loop).
  const std::string readerLog = folder.PathOf("reader1.log");
  {
    TRoleProcess reader("reader", readerLog, prefix, {});
    ASSERT_EQ(reader.Wait(), 0);
  }
  auto first = ReadLog(readerLog);
  expectFiles(first, "while the owner lives");
  EXPECT_EQ(Split(first["formats"]),
            (std::vector<std::string>{"InShellDragLoop", "Preferred DropEffect", "CF_HDROP", "Shell IDList Array",
                                      "FileNameW", "FileName", "FileNameMapW", "FileNameMap"}));

  // The owner flushes and exits.
  SetEvent(flush.Get());
  ASSERT_EQ(owner.Wait(), 0);
  auto o = ReadLog(ownerLog);
  EXPECT_EQ(o["placed"], "1");
  EXPECT_EQ(o["current-before-flush"], "1");
  EXPECT_EQ(o["flushed"], "1");
  EXPECT_EQ(o["current-after-flush"], "0");
  EXPECT_EQ(o["references"], "0");  // the clipboard released the object

  // A third process started after the owner's exit still reads every file format.
  const std::string lateLog = folder.PathOf("reader2.log");
  {
    TRoleProcess reader("reader", lateLog, prefix, {});
    ASSERT_EQ(reader.Wait(), 0);
  }
  expectFiles(ReadLog(lateLog), "after the owner exited");
}

}  // namespace
}  // namespace korv
