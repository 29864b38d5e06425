// The skin units used before the library's start-up.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "classlib/Forms.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinStartup.h"
#include "skin/forms/sSkinProvider.h"
#include "support/NotStarted.h"

namespace korv::test {
namespace {

// The test program runs the skin units throughout (its environment): stopped for a while,
// started again on every exit.
struct TSkinUnitsStopped {
  TSkinUnitsStopped() { SkinUnitsShutdown(); }
  ~TSkinUnitsStopped() { SkinUnitsStartup(); }
};

TEST(SkinStartup, SkinComponentsMadeBeforeTheStartupRaiseAnErrorNamingTheSkinUnits) {
  using ::testing::HasSubstr;
  std::unique_ptr<TForm> form(NewComponent<TForm>(nullptr));
  TForm* owner = form.get();
  TSkinUnitsStopped stopped;
  EXPECT_THAT(NotStartedError([] { delete NewComponent<TsSkinManager>(nullptr); }),
              HasSubstr("TsSkinManager is used before the library's start-up: the skin units not started"));
  EXPECT_THAT(NotStartedError([owner] { delete NewComponent<TsSkinProvider>(owner); }),
              HasSubstr("TsSkinProvider is used before the library's start-up: the skin units not started"));
  EXPECT_THAT(NotStartedError([owner] { delete NewComponent<TsPanel>(owner); }),
              HasSubstr("TsPanel is used before the library's start-up: the skin units not started"));
  // Refused, nothing of them stayed with the form.
  EXPECT_EQ(owner->ComponentCount(), 0);
}

}  // namespace
}  // namespace korv::test
