// Helpers of the demo's tests: a sandbox folder of files, the demo's window on the screen with
// real input aimed at its rows, the clipboard read back as file names, the shell's own verb
// identifiers (the oracle for picking a command) and a picker that chooses a command in a real
// popup menu with posted keys from a thread timer.
#pragma once

#include <gtest/gtest.h>

// <windows.h> goes first: the other platform headers need it.
// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "MainForm.h"
#include "support/GuiTest.h"

namespace korv::test {

// A folder of its own under the temporary folder, removed with everything in it at the end.
class TDemoSandbox {
 public:
  TDemoSandbox();
  ~TDemoSandbox();
  TDemoSandbox(const TDemoSandbox&) = delete;
  TDemoSandbox& operator=(const TDemoSandbox&) = delete;

  // The folder, ending with "\".
  [[nodiscard]] const std::string& Path() const noexcept { return Root_; }
  // Writes a file (relative name, no sub-folders) and returns its full path.
  std::string File(const std::string& name, const std::string& content = "data");
  // Creates a sub-folder and returns its full path (no trailing "\").
  std::string Dir(const std::string& name);

 private:
  std::string Root_;
};

// Empties the clipboard (OLE and plain).
void ClearClipboard();
// The files of CF_HDROP on the clipboard (empty when there is none), read with DragQueryFileA.
[[nodiscard]] std::vector<std::string> ClipboardFiles();
// The file names of a CF_HDROP block.
[[nodiscard]] std::vector<std::string> DropFiles(HDROP drop);
// Case-insensitive comparison of two sets of paths.
[[nodiscard]] bool SamePathSet(std::vector<std::string> a, std::vector<std::string> b);

// The shell's command identifiers by verb for names of one folder, asked from the shell directly
// (id = offset + 1: the shell component merges the shell's items from id 1).
[[nodiscard]] std::map<std::string, UINT> ShellVerbIds(const std::string& folder,
                                                       const std::vector<std::string>& names);

// Picks the item with the given command id in the visible popup menu of this thread: a thread
// timer posts VK_DOWN, one at a time, until the item is highlighted, then VK_RETURN. A safety
// timer ends the menu after 6 s. Arm it before the menu is tracked.
class TMenuPicker {
 public:
  TMenuPicker(std::function<HMENU()> menu, UINT id);
  ~TMenuPicker();
  TMenuPicker(const TMenuPicker&) = delete;
  TMenuPicker& operator=(const TMenuPicker&) = delete;

  [[nodiscard]] bool Picked() const noexcept { return Picked_; }
  [[nodiscard]] bool SafetyFired() const noexcept { return SafetyFired_; }
  [[nodiscard]] bool SawMenuWindow() const noexcept { return SawWindow_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  static void CALLBACK Safety(HWND, UINT, UINT_PTR, DWORD);
  void Step();

  std::function<HMENU()> Menu_;
  UINT Id_;
  UINT_PTR Poll_ = 0;
  UINT_PTR SafetyTimer_ = 0;
  int LastHighlight_ = -2;
  bool WaitingForMove_ = false;
  int Stalled_ = 0;  // ticks spent waiting for the highlight to move
  bool Picked_ = false;
  bool SafetyFired_ = false;
  bool SawWindow_ = false;
};

// A drop target that takes files: it accepts a copy while over its window and reads CF_HDROP
// with DragQueryFile at the drop.
class TFileDropTarget : public IDropTarget {
 public:
  TFileDropTarget() = default;
  virtual ~TFileDropTarget() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** obj) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&Ref)); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&Ref)); }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) override;

  LONG Ref = 1;
  int Enters = 0, Drops = 0;
  DWORD EnterAllowed = 0;
  std::vector<std::string> Files;  // CF_HDROP of the drop
  TEvent Entered, Dropped;
};

// A popup window of the test process registered as a drop target.
class TDropWindow {
 public:
  TDropWindow(const TRect& bounds, IDropTarget* target);
  ~TDropWindow();
  TDropWindow(const TDropWindow&) = delete;
  TDropWindow& operator=(const TDropWindow&) = delete;
  [[nodiscard]] HWND Handle() const noexcept { return H_; }
  [[nodiscard]] bool Registered() const noexcept { return Registered_; }

 private:
  HWND H_ = nullptr;
  bool Registered_ = false;
};

// A fixture with the demo's window listing a sandbox folder, placed at a known spot and active.
class TDemoWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the sandbox files, then opens the window on the folder.
  void OpenWindow(const std::vector<std::string>& files);

  // Real input through the driver thread; the test thread pumps meanwhile.
  void Input(const std::function<void(TInputDriver&)>& steps);
  // The screen point at the middle of a row's name.
  [[nodiscard]] TPoint RowPoint(int row);
  // A left click on a row, with Ctrl held when ctrl is set.
  void ClickRow(int row, bool ctrl = false);
  // A right click at a screen point; the buttons go down and up as separate input.
  static bool RightClick(TInputDriver& d, TPoint at);
  // The row of a file name, or -1.
  [[nodiscard]] int RowOf(const std::string& name) const;
  // Full paths of rows.
  [[nodiscard]] std::vector<std::string> PathsOf(const std::vector<int>& rows) const;

  std::unique_ptr<TDemoSandbox> Box;
  TForm1* Form = nullptr;
};

// Start-up and shut-down of the component units around the whole test program.
class TDemoEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace korv::test
