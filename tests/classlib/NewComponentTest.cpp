// A component is made with NewComponent only: new does not compile, and any other way of making
// one raises at once.
#include <gtest/gtest.h>


#include "classlib/Classes.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"

namespace korv::test {
namespace {

template <class T>
concept MadeWithNew = requires(TComponent* owner) {
  new T(owner);
};
struct TPlain {
  explicit TPlain(TComponent*) {}
};
static_assert(MadeWithNew<TPlain>);
static_assert(!MadeWithNew<TComponent> && !MadeWithNew<TForm> && !MadeWithNew<TTimer>);

TEST(NewComponent, AComponentMadeOnTheStackOrAsAMemberIsRefused) {
  struct THolder {
    TComponent Member{nullptr};
  };
  EXPECT_THROW(TComponent(nullptr), EInvalidOperation);
  EXPECT_THROW(THolder(), EInvalidOperation);
  // A construction that failed leaves nothing that would let the next wrong one through.
  struct TFailing : TComponent {
    explicit TFailing(TComponent* owner) : TComponent(owner) { throw EAbort("refused"); }
  };
  EXPECT_THROW(NewComponent<TFailing>(nullptr), EAbort);
  EXPECT_THROW(TComponent(nullptr), EInvalidOperation);
}

}  // namespace
}  // namespace korv::test
