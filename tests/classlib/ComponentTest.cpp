// TPersistent assignment, TComponent ownership, names and notifications, collections.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Classes.h"

namespace korv {
namespace {

// Records every notification it receives and clears its reference when the peer goes.
class TWatcher : public TComponent {
  KORV_CLASS(TWatcher, TComponent)
 public:
  using TComponent::TComponent;
  ~TWatcher() override { DestroyComponents(); }
  void SetPeer(TComponent* c) {
    if (Peer) Peer->RemoveFreeNotification(this);
    Peer = c;
    if (c) c->FreeNotification(this);
  }
  TComponent* Peer = nullptr;
  std::vector<std::pair<TComponent*, TOperation>> Log;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    Log.emplace_back(c, op);
    if (op == TOperation::opRemove && c == Peer) Peer = nullptr;
  }
};
KORV_DEFINE_CLASS(TWatcher, TComponent, &CreateComponent<TWatcher>, nullptr);

// Counts its destructions through a shared counter.
class TCounted : public TComponent {
  KORV_CLASS(TCounted, TComponent)
 public:
  TCounted(TComponent* owner, std::vector<std::string>* log = nullptr) : TComponent(owner), Log(log) {}
  ~TCounted() override {
    if (Log) Log->push_back(Name() + (HasState(csDestroying) ? ":destroying" : ":plain"));
  }
  std::vector<std::string>* Log;
};
KORV_DEFINE_CLASS(TCounted, TComponent, nullptr, nullptr);

TEST(TPersistentTest, AssignWithoutHandlerRaisesTheLibraryError) {
  TPersistent a, b;
  try {
    a.Assign(&b);
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TPersistent to a TPersistent");
  }
  try {
    a.Assign(nullptr);
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a nil to a TPersistent");
  }
  const std::unique_ptr<TComponent> cPtr(NewComponent<TComponent>(nullptr));
  TComponent& c = *cPtr;
  try {
    c.Assign(&a);
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TPersistent to a TComponent");
  }
}

TEST(TClassTest, ClassReferencesAndCreationByName) {
  const std::unique_ptr<TWatcher> wPtr(NewComponent<TWatcher>(nullptr));
  TWatcher& w = *wPtr;
  EXPECT_EQ(w.ClassName(), "TWatcher");
  EXPECT_TRUE(w.InheritsFrom(TComponent::StaticClass()));
  EXPECT_TRUE(w.Is<TPersistent>());
  EXPECT_FALSE(w.InheritsFrom(TStream::StaticClass()));
  EXPECT_EQ(TWatcher::StaticClass()->Parent, TComponent::StaticClass());

  RegisterClass(TWatcher::StaticClass());
  EXPECT_EQ(GetClass("twatcher"), TWatcher::StaticClass());
  TClass cls = FindClass("TWatcher");
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  TObject* made = cls->Factory(&owner);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassType(), TWatcher::StaticClass());
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), made);
  UnRegisterClass(TWatcher::StaticClass());
  EXPECT_EQ(GetClass("TWatcher"), nullptr);
  EXPECT_THROW((void)FindClass("TWatcher"), EClassNotFound);
}

TEST(TComponentTest, OwnerFreesOwnedComponentsLastFirst) {
  std::vector<std::string> log;
  {
    const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
    TComponent& owner = *ownerPtr;
    auto* a = NewComponent<TCounted>(&owner, &log);
    a->SetName("A");
    auto* b = NewComponent<TCounted>(&owner, &log);
    b->SetName("B");
    EXPECT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(b->ComponentIndex(), 1);
    EXPECT_EQ(owner.FindComponent("a"), a);
    EXPECT_EQ(owner.FindComponent("C"), nullptr);
  }
  // Each child already sees csDestroying in its own destructor.
  EXPECT_EQ(log, (std::vector<std::string>{"B:destroying", "A:destroying"}));
}

TEST(TComponentTest, FreedChildLeavesItsOwner) {
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  auto* a = NewComponent<TComponent>(&owner);
  auto* b = NewComponent<TComponent>(&owner);
  delete a;
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), b);
  EXPECT_THROW((void)owner.Components(1), EListError);
  EXPECT_THROW((void)owner.Components(-1), EListError);
}

TEST(TComponentTest, NamesAreValidatedAndUniqueAmongSiblings) {
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  auto* a = NewComponent<TComponent>(&owner);
  auto* b = NewComponent<TComponent>(&owner);
  a->SetName("Button1");
  try {
    b->SetName("BUTTON1");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named BUTTON1 already exists");
  }
  EXPECT_EQ(b->Name(), "");
  for (const char* bad : {"1abc", "a b", "a-b", "ä"}) {
    try {
      b->SetName(bad);
      FAIL() << bad;
    } catch (const EComponentError& e) {
      EXPECT_EQ(e.Message(), std::string("Component name \"") + bad + "\" is not a valid identifier");
    }
  }
  a->SetName("button1");  // a case change of its own name is fine
  EXPECT_EQ(a->Name(), "button1");
  a->SetName("");
  b->SetName("_x9");
  EXPECT_EQ(b->GetNamePath(), "_x9");
  // A component whose name clashes cannot join another owner.
  const std::unique_ptr<TComponent> otherPtr(NewComponent<TComponent>(nullptr));
  TComponent& other = *otherPtr;
  auto* c = NewComponent<TComponent>(&other);
  c->SetName("_X9");
  EXPECT_THROW(owner.InsertComponent(c), EComponentError);
  EXPECT_EQ(c->Owner(), &other);
}

TEST(TComponentTest, MovingBetweenOwnersAndCycles) {
  const std::unique_ptr<TWatcher> firstPtr(NewComponent<TWatcher>(nullptr));
  const std::unique_ptr<TWatcher> secondPtr(NewComponent<TWatcher>(nullptr));
  TWatcher& first = *firstPtr;
  TWatcher& second = *secondPtr;
  auto* c = NewComponent<TComponent>(&first);
  second.InsertComponent(c);
  EXPECT_EQ(c->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  ASSERT_EQ(second.ComponentCount(), 1);
  ASSERT_FALSE(first.Log.empty());
  EXPECT_EQ(first.Log.back(), std::make_pair(c, TOperation::opRemove));
  EXPECT_EQ(second.Log.back(), std::make_pair(c, TOperation::opInsert));
  // Owning one's own owner would make destruction recurse: refused.
  EXPECT_THROW(c->InsertComponent(&second), EComponentError);
  EXPECT_THROW(c->InsertComponent(c), EComponentError);
  second.RemoveComponent(c);
  EXPECT_EQ(c->Owner(), nullptr);
  delete c;
}

TEST(TComponentTest, FreeNotificationClearsReferenceAcrossOwners) {
  auto* formA = NewComponent<TComponent>(nullptr);
  auto* formB = NewComponent<TComponent>(nullptr);
  auto* watcher = NewComponent<TWatcher>(formA);
  auto* target = NewComponent<TComponent>(formB);
  watcher->SetPeer(target);
  EXPECT_TRUE(target->HasState(csFreeNotification));
  delete formB;  // frees target
  EXPECT_EQ(watcher->Peer, nullptr);
  // The reverse direction: the watcher dies first, and the target must not call it later.
  auto* target2 = NewComponent<TComponent>(nullptr);
  watcher->SetPeer(target2);
  delete formA;
  delete target2;  // would touch the freed watcher if the link were left behind
}

TEST(TComponentTest, SiblingsHearAboutEachOtherWithoutAsking) {
  const std::unique_ptr<TComponent> formPtr(NewComponent<TComponent>(nullptr));
  TComponent& form = *formPtr;
  auto* watcher = NewComponent<TWatcher>(&form);
  auto* other = NewComponent<TComponent>(&form);
  watcher->Peer = other;  // no FreeNotification: the common owner tells its children
  delete other;
  EXPECT_EQ(watcher->Peer, nullptr);
}

TEST(TComponentTest, RemoveFreeNotificationStopsTheMessages) {
  const std::unique_ptr<TWatcher> watcherPtr(NewComponent<TWatcher>(nullptr));
  TWatcher& watcher = *watcherPtr;
  auto* target = NewComponent<TComponent>(nullptr);
  watcher.SetPeer(target);
  watcher.SetPeer(nullptr);
  size_t before = watcher.Log.size();
  delete target;
  EXPECT_EQ(watcher.Log.size(), before);
}

TEST(TComponentTest, LoadedClearsLoadingAndDesigningSpreads) {
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  owner.SetComponentState(csLoading | csReading);
  EXPECT_TRUE(owner.HasState(csLoading));
  owner.SetComponentState(0, csReading);
  owner.Loaded();
  EXPECT_FALSE(owner.HasState(csLoading));
  EXPECT_EQ(owner.ComponentState(), 0u);
}

// --- collections

class TNamedItem : public TCollectionItem {
  KORV_CLASS(TNamedItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  std::string Text;
  void Assign(const TPersistent* source) override {
    if (auto* o = dynamic_cast<const TNamedItem*>(source)) {
      Text = o->Text;
      return;
    }
    TCollectionItem::Assign(source);
  }
  void Touch() { Changed(false); }
};
KORV_DEFINE_CLASS(TNamedItem, TCollectionItem, &CreateCollectionItem<TNamedItem>, nullptr);

class TLoggingCollection : public TOwnedCollection {
  KORV_CLASS(TLoggingCollection, TOwnedCollection)
 public:
  TLoggingCollection(TPersistent* owner, TClass cls) : TOwnedCollection(owner, cls) {}
  std::vector<std::string> Log;

 protected:
  void Update(TCollectionItem* item) override { Log.push_back(item ? "update-item" : "update-all"); }
  void Notify(TCollectionItem* item, bool added) override {
    (void)item;
    Log.push_back(added ? "added" : "removed");
  }
};
KORV_DEFINE_CLASS(TLoggingCollection, TOwnedCollection, nullptr, nullptr);

TEST(TCollectionTest, ItemsAddInsertMoveAndDelete) {
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  owner.SetName("Form1");
  TLoggingCollection coll(&owner, TNamedItem::StaticClass());
  auto* a = static_cast<TNamedItem*>(coll.Add());
  auto* b = static_cast<TNamedItem*>(coll.Add());
  auto* c = static_cast<TNamedItem*>(coll.Insert(0));
  EXPECT_EQ(coll.Count(), 3);
  EXPECT_EQ(coll.GetItem(0), c);
  EXPECT_EQ(a->Index(), 1);
  EXPECT_EQ(b->Index(), 2);
  EXPECT_EQ(a->ID(), 0);
  EXPECT_EQ(b->ID(), 1);
  EXPECT_EQ(c->ID(), 2);
  EXPECT_EQ(coll.FindItemID(1), b);
  EXPECT_EQ(coll.FindItemID(7), nullptr);
  EXPECT_EQ(a->Collection(), &coll);
  EXPECT_EQ(a->GetOwner(), &coll);
  EXPECT_EQ(coll.GetOwner(), &owner);
  EXPECT_EQ(a->GetNamePath(), "Form1.TLoggingCollection[1]");
  b->SetIndex(0);
  EXPECT_EQ(coll.GetItem(0), b);
  EXPECT_THROW(b->SetIndex(3), EListError);
  EXPECT_THROW((void)coll.GetItem(3), EListError);
  EXPECT_THROW(coll.Insert(5), EListError);
  coll.Log.clear();
  coll.Delete(0);
  EXPECT_EQ(coll.Count(), 2);
  EXPECT_EQ(coll.Log, (std::vector<std::string>{"removed", "update-all"}));
  delete a;  // an item freed directly leaves its collection
  EXPECT_EQ(coll.Count(), 1);
  EXPECT_EQ(coll.GetItem(0), c);
}

TEST(TCollectionTest, UpdatesAreBracketed) {
  TLoggingCollection coll(nullptr, TNamedItem::StaticClass());
  coll.BeginUpdate();
  coll.Add();
  coll.Add();
  static_cast<TNamedItem*>(coll.GetItem(0))->Touch();
  EXPECT_EQ(coll.Log, (std::vector<std::string>{"added", "added"}));
  coll.EndUpdate();
  EXPECT_EQ(coll.Log.back(), "update-all");
  coll.Log.clear();
  static_cast<TNamedItem*>(coll.GetItem(0))->Touch();
  EXPECT_EQ(coll.Log, (std::vector<std::string>{"update-item"}));
  coll.Log.clear();
  coll.Clear();
  EXPECT_EQ(coll.Count(), 0);
  EXPECT_EQ(coll.Log, (std::vector<std::string>{"removed", "removed", "update-all"}));
}

TEST(TCollectionTest, AssignCopiesItemsOrFailsWithTheAssignError) {
  TCollection src(TNamedItem::StaticClass()), dst(TNamedItem::StaticClass());
  static_cast<TNamedItem*>(src.Add())->Text = "one";
  static_cast<TNamedItem*>(src.Add())->Text = "two";
  dst.Add();
  dst.Assign(&src);
  ASSERT_EQ(dst.Count(), 2);
  EXPECT_EQ(static_cast<TNamedItem*>(dst.GetItem(1))->Text, "two");
  EXPECT_EQ(dst.UpdateCount(), 0);

  // Items that do not define copying make a non-empty assignment fail.
  TCollection plainSrc(TCollectionItem::StaticClass()), plainDst(TCollectionItem::StaticClass());
  plainSrc.Add();
  try {
    plainDst.Assign(&plainSrc);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TCollectionItem to a TCollectionItem");
  }
  EXPECT_EQ(plainDst.UpdateCount(), 0);
  TCollection empty(TCollectionItem::StaticClass());
  plainDst.Assign(&empty);
  EXPECT_EQ(plainDst.Count(), 0);
  EXPECT_THROW(TCollection bad(TComponent::StaticClass()), EInvalidOperation);
}

}  // namespace
}  // namespace korv
