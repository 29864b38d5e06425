// Objects bound to windows: found from the window's thread and from any other, kept apart per
// property, and gone with the binding.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "classlib/WindowBinding.h"

namespace korv::test {
namespace {

TEST(WindowBinding, FoundFromAnyThreadKeptApartPerPropertyAndGoneWhenUnbound) {
  HWND wnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(wnd, nullptr);
  constexpr TWindowBinding first("KorvTestFirst"), second("KorvTestSecond");
  int a = 0, b = 0;
  EXPECT_EQ(first.Find(wnd), nullptr);
  EXPECT_TRUE(first.Bind(wnd, &a));
  EXPECT_TRUE(second.Bind(wnd, &b));
  EXPECT_EQ(first.Find(wnd), &a);
  EXPECT_EQ(second.Find(wnd), &b);
  EXPECT_EQ(GetPropA(wnd, "KorvTestFirst"), &a);  // what other code of the process reads
  void* seen = nullptr;
  std::thread([&] { seen = first.Find(wnd); }).join();  // no table there: the property
  EXPECT_EQ(seen, &a);
  first.Unbind(wnd);
  EXPECT_EQ(first.Find(wnd), nullptr);
  EXPECT_EQ(second.Find(wnd), &b);
  std::thread([&] { seen = first.Find(wnd); }).join();
  EXPECT_EQ(seen, nullptr);
  EXPECT_TRUE(first.Bind(wnd, &b));  // bound again, to another object
  EXPECT_EQ(first.Find(wnd), &b);
  first.Unbind(wnd);
  second.Unbind(wnd);
  DestroyWindow(wnd);
  // A thread with windows of its own binds them in its own table and ends cleanly.
  std::thread([&] {
    HWND own = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    first.Bind(own, &a);
    seen = first.Find(own);
    first.Unbind(own);
    DestroyWindow(own);
  }).join();
  EXPECT_EQ(seen, &a);
}

}  // namespace
}  // namespace korv::test
