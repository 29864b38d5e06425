// The drag-and-drop units used before the library's start-up.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shell/dragdrop/DragDropFile.h"
#include "support/NotStarted.h"

namespace korv::test {
namespace {

TEST(DragDropStartup, AFileDropSourceMadeBeforeTheStartupRaisesAnErrorNamingTheUnits) {
  ASSERT_FALSE(DragDropUnit.Started());  // the tests of this program start them in their fixtures
  EXPECT_THAT(NotStartedError([] { delete NewComponent<TDropFileSource>(nullptr); }),
              ::testing::HasSubstr(
                  "TDropFileSource is used before the library's start-up: the drag-and-drop units not started"));
}

}  // namespace
}  // namespace korv::test
