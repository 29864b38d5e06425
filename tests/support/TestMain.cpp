// Entry point of every test program: OLE on the test thread, then GoogleTest.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  OleInitialize(nullptr);
  int rc = RUN_ALL_TESTS();
  OleUninitialize();
  return rc;
}
