// The library's start-up over units of the test's own, and a form made before the class library
// runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Startup.h"
#include "support/NotStarted.h"

namespace korv::test {
namespace {

// Units that write their starts and stops into one log.
std::vector<std::string> gLog;
bool gRunning[3] = {};
bool gFailMiddle = false;

template <int N>
void StartUnit() {
  if (N == 1 && gFailMiddle) throw EInvalidOperation("unit 1 cannot start");
  gLog.push_back("start " + std::to_string(N));
  gRunning[N] = true;
}
template <int N>
void StopUnit() noexcept {
  gLog.push_back("stop " + std::to_string(N));
  gRunning[N] = false;
}
template <int N>
bool UnitRunning() noexcept {
  return gRunning[N];
}
// Registered out of their order; the class library's own unit is registered too (Application
// runs already: the test program's main made it).
constexpr TLibraryUnit kUnit2{"unit 2", kSkinUnitOrder + 1, &StartUnit<2>, &StopUnit<2>, &UnitRunning<2>};
constexpr TLibraryUnit kUnit0{"unit 0", kDragDropUnitOrder - 1, &StartUnit<0>, &StopUnit<0>, &UnitRunning<0>};
constexpr TLibraryUnit kUnit1{"unit 1", kShellUnitOrder + 1, &StartUnit<1>, &StopUnit<1>, &UnitRunning<1>};

class LibraryStartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog.clear();
    gFailMiddle = false;
    for (bool& r : gRunning) r = false;
  }
  TLibraryUnitRegistration R2{kUnit2}, R0{kUnit0}, R1{kUnit1};
};

TEST_F(LibraryStartupTest, StartsInOrderAndStopsInReverseLeavingWhatTheProgramStartedItself) {
  StartUnit<1>();
  gLog.clear();
  {
    TLibraryStartup startup;
    EXPECT_EQ(gLog, (std::vector<std::string>{"start 0", "start 2"}));
    // One at a time: a second object would shut the units down under the first.
    EXPECT_THROW(TLibraryStartup(), EInvalidOperation);
  }
  EXPECT_EQ(gLog, (std::vector<std::string>{"start 0", "start 2", "stop 2", "stop 0"}));
  EXPECT_TRUE(gRunning[1]);
  // The class library's unit ran before (the test program's main) and runs after.
  EXPECT_NE(Application, nullptr);
}

TEST_F(LibraryStartupTest, AUnitThatCannotStartStopsWhatStartedAndReportsItsError) {
  gFailMiddle = true;
  try {
    TLibraryStartup startup;
    FAIL() << "the start-up did not fail";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "unit 1 cannot start");
  }
  EXPECT_EQ(gLog, (std::vector<std::string>{"start 0", "stop 0"}));
  // Nothing is left that would refuse the next start-up.
  gFailMiddle = false;
  TLibraryStartup startup;
  EXPECT_TRUE(gRunning[2]);
}

// Application and Screen hidden for a while, as before the class library's start-up.
struct TClassLibHidden {
  TApplication* const SavedApplication = std::exchange(Application, nullptr);
  TScreen* const SavedScreen = std::exchange(Screen, nullptr);
  ~TClassLibHidden() {
    Application = SavedApplication;
    Screen = SavedScreen;
  }
};

TEST(ClassLibStartup, AFormMadeBeforeTheStartupRaisesAnErrorNamingIt) {
  TClassLibHidden hidden;
  EXPECT_THAT(NotStartedError([] { delete NewComponent<TForm>(nullptr); }),
              ::testing::HasSubstr("A form is used before the library's start-up: the class library (Application "
                                   "and Screen) not started. Create one korv::TLibraryStartup"));
}

}  // namespace
}  // namespace korv::test
