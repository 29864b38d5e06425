#include <gtest/gtest.h>

#include "classlib/System.h"

namespace korv {
namespace {

struct Counter {
  int hits = 0;
  int last = 0;
  void Add(int v) {
    hits++;
    last = v;
  }
  void Other(int v) { last = -v; }
};

TEST(TMethodTest, ComparesByObjectAndMember) {
  Counter a, b;
  TMethod<void(int)> m1(&a, &Counter::Add), m2(&a, &Counter::Add), m3(&b, &Counter::Add), m4(&a, &Counter::Other), none;
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

struct Reader {
  int Value = 5;
  int Get() const { return Value; }
};

int Twice(void* ctx, int v) { return *static_cast<int*>(ctx) * v; }
int Thrice(void* ctx, int v) { return *static_cast<int*>(ctx) * v * 3; }

TEST(TMethodTest, ConstMembersFunctionsAndClearing) {
  Reader r;
  TMethod<int()> get(&r, &Reader::Get);
  EXPECT_EQ(get(), 5);
  EXPECT_EQ(get.Data(), &r);
  int k = 2, other = 2;
  auto f1 = TMethod<int(int)>::Function(&Twice, &k);
  auto f2 = TMethod<int(int)>::Function(&Twice, &k);
  auto f3 = TMethod<int(int)>::Function(&Twice, &other);
  auto f4 = TMethod<int(int)>::Function(&Thrice, &k);
  EXPECT_EQ(f1(10), 20);
  EXPECT_EQ(f4(10), 60);
  EXPECT_TRUE(f1 == f2);
  EXPECT_FALSE(f1 == f3);  // same function, another context
  EXPECT_FALSE(f1 == f4);
  f1 = nullptr;
  EXPECT_FALSE(static_cast<bool>(f1));
  EXPECT_TRUE(f1 == nullptr);
}

struct Probe {
  Probe** Slot;
  bool* SawNil;
  ~Probe() { *SawNil = *Slot == nullptr; }
};

TEST(FreeAndNilTest, ClearsThePointerBeforeTheObjectGoes) {
  bool sawNil = false;
  Probe* p = nullptr;
  p = new Probe{&p, &sawNil};
  FreeAndNil(p);
  EXPECT_EQ(p, nullptr);
  EXPECT_TRUE(sawNil);
}

}  // namespace
}  // namespace korv
