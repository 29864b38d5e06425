// Helpers of the demo's tests: the demo's window on the screen, listing a sandbox folder, with real
// input aimed at its rows. Sandbox folders, the clipboard read back as file names, a closer of
// dialogs, a drop target window, the shell's own verb identifiers (the oracle for picking a
// command) and the picker of popup-menu commands come from the shared test support.
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
#include "classlib/Startup.h"
#include "support/Clipboard.h"
#include "support/DialogCloser.h"
#include "support/DropTarget.h"
#include "support/GuiTest.h"
#include "support/MenuDriver.h"
#include "support/Sandbox.h"
#include "support/ShellVerbs.h"

namespace korv {
class TsSkinManager;
class TsSkinProvider;
}  // namespace korv

namespace korv::test {

// The skin components a form carries (nullptr when it carries none).
[[nodiscard]] TsSkinProvider* ProviderOf(const TCustomForm* form);
[[nodiscard]] TsSkinManager* ManagerOf(const TCustomForm* form);
// The skin is live on the form's window: the whole image composed and up to date, and a window
// region cut at the skin's corners.
[[nodiscard]] bool SkinLive(const TCustomForm* form);
// Every pixel of the window's title bar and borders on the screen that the window region keeps
// equals the provider's composed image, and the region cuts the top corners.
[[nodiscard]] ::testing::AssertionResult FrameShowsTheSkin(const TCustomForm* form);
// Waits until the skin is live and on the screen (the screen follows a window's painting late).
[[nodiscard]] ::testing::AssertionResult WaitForSkinOnScreen(const TCustomForm* form);

// Case-insensitive comparison of two sets of paths.
[[nodiscard]] bool SamePathSet(std::vector<std::string> a, std::vector<std::string> b);

// A fixture with the demo's window listing a sandbox folder, placed at a known spot and active.
class TDemoWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the sandbox files, then opens the window on the folder; with skinned, waits until the
  // window shows the skin.
  void OpenWindow(const std::vector<std::string>& files, bool skinned = true);

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

  std::unique_ptr<TSandbox> Box;
  TForm1* Form = nullptr;
};

// The library's start-up around the whole test program, as the demo's main has it (the test
// program's main made Application and Screen already: the start-up leaves them to it).
class TDemoEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
  [[nodiscard]] static std::unique_ptr<TLibraryStartup>& Startup();
};

}  // namespace korv::test
