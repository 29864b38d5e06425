// The skin units before and after the library's start-up.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "classlib/Forms.h"
#include "classlib/Startup.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinStartup.h"
#include "skin/forms/sSkinProvider.h"

namespace korv::test {
namespace {

// The message of the error that making a component raises; empty when it was made.
std::string StartupError(const std::function<void()>& make) {
  try {
    make();
  } catch (const ENotStarted& e) {
    return e.Message();
  }
  return {};
}

bool Names(const std::string& message, const std::string& what, const std::string& unit) {
  return message.find(what + " is used before the library's start-up: " + unit + " not started") != std::string::npos;
}

// The test program runs the skin units throughout (its environment): stopped for a while,
// started again on every exit.
class TSkinUnitsStopped {
 public:
  TSkinUnitsStopped() { SkinUnitsShutdown(); }
  ~TSkinUnitsStopped() { SkinUnitsStartup(); }
};

// Application hidden for a while, as before the class library's start-up.
class TApplicationHidden {
 public:
  TApplicationHidden() : FApplication(std::exchange(Application, nullptr)) {}
  ~TApplicationHidden() { Application = FApplication; }

 private:
  TApplication* FApplication;
};

TEST(SkinStartup, SkinComponentsMadeBeforeTheStartupRaiseAnErrorNamingWhatIsMissing) {
  std::unique_ptr<TForm> form(NewComponent<TForm>(nullptr));
  TForm* owner = form.get();
  {
    TSkinUnitsStopped stopped;
    std::string m = StartupError([] { delete NewComponent<TsSkinManager>(nullptr); });
    EXPECT_TRUE(Names(m, "TsSkinManager", "the skin units")) << m;
    m = StartupError([owner] { delete NewComponent<TsSkinProvider>(owner); });
    EXPECT_TRUE(Names(m, "TsSkinProvider", "the skin units")) << m;
    m = StartupError([owner] { delete NewComponent<TsPanel>(owner); });
    EXPECT_TRUE(Names(m, "TsPanel", "the skin units")) << m;
    // Refused, nothing of them stayed with the form.
    EXPECT_EQ(owner->ComponentCount(), 0);

    // The start-up object starts them, and stops them again.
    {
      TLibraryStartup startup;
      m = StartupError([owner] {
        NewComponent<TsSkinManager>(owner);
        NewComponent<TsSkinProvider>(owner);
        NewComponent<TsPanel>(owner);
        owner->DestroyComponents();
      });
      EXPECT_EQ(m, "");
    }
    EXPECT_FALSE(SkinUnit.Started());
  }

  // The skin units alone are not enough: a skin component also needs the class library.
  ASSERT_TRUE(SkinUnit.Started());
  std::string m;
  {
    TApplicationHidden hidden;
    m = StartupError([] { delete NewComponent<TsSkinManager>(nullptr); });
  }
  EXPECT_TRUE(Names(m, "TsSkinManager", "the class library (Application and Screen)")) << m;
}

}  // namespace
}  // namespace korv::test
