// The shell units before and after the library's start-up.
#include <gtest/gtest.h>

#include <string>

#include "classlib/Startup.h"
#include "shell/browser/ShellBrowser.h"
#include "shell/browser/Shell_Win32.h"

namespace korv::test {
namespace {

// The test program runs the shell units throughout: stopped for a while, started again on every
// exit.
class TShellUnitsStopped {
 public:
  TShellUnitsStopped() {
    FinalizeShellBrowser();
    FinalizeShellWin32();
  }
  ~TShellUnitsStopped() {
    InitializeShellWin32();
    InitializeShellBrowser();
  }
};

TEST(ShellStartup, ABrowserMadeBeforeTheStartupRaisesAnErrorNamingTheShellUnits) {
  TShellUnitsStopped stopped;
  for (auto use : {+[] { delete NewComponent<TShellBrowser>(nullptr); }, +[] { (void)DesktopFolder(); }}) {
    try {
      use();
      ADD_FAILURE() << "no error";
    } catch (const ENotStarted& e) {
      EXPECT_NE(e.Message().find(" is used before the library's start-up: the shell units not started"),
                std::string::npos)
          << e.Message();
      // Not the text of a shell that failed to start.
      EXPECT_EQ(e.Message().find("Cannot open Shell"), std::string::npos) << e.Message();
    }
  }
  // The start-up object starts the shell units and stops them again.
  {
    TLibraryStartup startup;
    std::unique_ptr<TShellBrowser> browser(NewComponent<TShellBrowser>(nullptr));
    EXPECT_NE(browser->FolderIDList(), nullptr);  // the computer folder
    EXPECT_NE(DesktopFolder(), nullptr);
    EXPECT_TRUE(ShellStartupError().empty());
  }
  EXPECT_THROW((void)DesktopFolder(), ENotStarted);
}

}  // namespace
}  // namespace korv::test
