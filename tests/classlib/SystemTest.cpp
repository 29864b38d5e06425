#include <gtest/gtest.h>

#include "classlib/System.h"

namespace korv {
namespace {

struct Counter {
  int hits = 0;
  int last = 0;
  void Add(int v) { hits++; last = v; }
  void Other(int v) { last = -v; }
};

TEST(TMethodTest, ComparesByObjectAndMember) {
  Counter a, b;
  TMethod<void(int)> m1(&a, &Counter::Add), m2(&a, &Counter::Add), m3(&b, &Counter::Add),
      m4(&a, &Counter::Other), none;
  EXPECT_TRUE(m1 == m2);
  EXPECT_FALSE(m1 == m3);
  EXPECT_FALSE(m1 == m4);
  EXPECT_TRUE(none == nullptr);
  EXPECT_FALSE(m1 == nullptr);
  m1(7);
  EXPECT_EQ(a.hits, 1);
  EXPECT_EQ(a.last, 7);
  m4(3);
  EXPECT_EQ(a.last, -3);
}

}  // namespace
}  // namespace korv
