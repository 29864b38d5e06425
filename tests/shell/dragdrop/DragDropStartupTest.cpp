// The drag-and-drop units before and after the library's start-up.
#include <gtest/gtest.h>

#include <string>

#include "classlib/Startup.h"
#include "classlib/SysUtils.h"
#include "shell/dragdrop/DragDropFile.h"

namespace korv::test {
namespace {

TEST(DragDropStartup, AFileDropSourceMadeBeforeTheStartupRaisesAnErrorNamingTheUnits) {
  // The tests of this program start the units in their fixtures only.
  ASSERT_FALSE(DragDropUnit.Started());
  try {
    delete NewComponent<TDropFileSource>(nullptr);
    FAIL() << "a drop source without its formats was made";
  } catch (const ENotStarted& e) {
    EXPECT_NE(
        e.Message().find("TDropFileSource is used before the library's start-up: the drag-and-drop units not started"),
        std::string::npos)
        << e.Message();
  }
  // Made after the start-up, the same source offers its files as CF_HDROP.
  {
    TLibraryStartup startup;
    std::unique_ptr<TDropFileSource> source(NewComponent<TDropFileSource>(nullptr));
    source->Files()->Add(ParamStr0());
    FORMATETC fe{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(source->QueryGetData(&fe), S_OK);
  }
  EXPECT_FALSE(DragDropUnit.Started());
}

}  // namespace
}  // namespace korv::test
