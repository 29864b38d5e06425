// The shell units used before the library's start-up.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shell/browser/ShellBrowser.h"
#include "shell/browser/Shell_Win32.h"
#include "support/NotStarted.h"

namespace korv::test {
namespace {

// The test program runs the shell units throughout: stopped for a while, started again on every
// exit.
struct TShellUnitsStopped {
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
  using ::testing::AllOf, ::testing::HasSubstr, ::testing::Not;
  // Not the text of a shell that failed to start.
  const auto named = AllOf(HasSubstr(" is used before the library's start-up: the shell units not started"),
                           Not(HasSubstr("Cannot open Shell")));
  EXPECT_THAT(NotStartedError([] { delete NewComponent<TShellBrowser>(nullptr); }), named);
  EXPECT_THAT(NotStartedError([] { (void)DesktopFolder(); }), named);
}

}  // namespace
}  // namespace korv::test
