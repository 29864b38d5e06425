// Entry point of every test program: OLE on the test thread, the class library's application
// and screen objects, then GoogleTest. An exception that reaches a window procedure or the
// message loop fails the running test instead of opening a message box.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "classlib/Forms.h"

namespace {
void ReportException(void*, korv::TObject*, const korv::Exception* e) {
  ADD_FAILURE() << "exception in the message loop: " << (e ? e->Message() : std::string("?"));
}
}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  OleInitialize(nullptr);
  korv::InitClassLib();
  korv::Application->OnException = korv::TExceptionEvent::Function(&ReportException, nullptr);
  int rc = RUN_ALL_TESTS();
  korv::DoneClassLib();
  OleUninitialize();
  return rc;
}
