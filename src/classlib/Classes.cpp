// TPersistent, TComponent, property lookup and collections. Streams and string lists live in
// ClassesStreams.cpp and ClassesStrings.cpp.
#include "classlib/Classes.h"

#include <algorithm>

#include "classlib/Streaming.h"

namespace korv {

namespace {
const TPropInfo kComponentProps[] = {
    KORV_PROP_INT(TComponent, Tag, 0),
};
const TPropTable kComponentTable{kComponentProps, static_cast<int>(std::size(kComponentProps))};
}  // namespace

KORV_DEFINE_CLASS(TPersistent, TObject, nullptr, nullptr);
KORV_DEFINE_CLASS(TComponent, TPersistent, &CreateComponent<TComponent>, &kComponentTable);
KORV_DEFINE_CLASS(TCollectionItem, TPersistent, &CreateCollectionItem<TCollectionItem>, nullptr);
KORV_DEFINE_CLASS(TCollection, TPersistent, nullptr, nullptr);
KORV_DEFINE_CLASS(TOwnedCollection, TCollection, nullptr, nullptr);

namespace {
[[noreturn]] void ListIndexError(int index) { throw EListError(Format("List index out of bounds (%d)", index)); }
}  // namespace

// ---------------------------------------------------------------------------------------------
// TPersistent

void TPersistent::Assign(const TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  std::string sourceName = source ? source->ClassName() : std::string("nil");
  throw EConvertError(Format("Cannot assign a %s to a %s", sourceName, ClassName()));
}

std::string TPersistent::GetNamePath() const {
  std::string result = ClassName();
  if (TPersistent* owner = GetOwner()) {
    std::string path = owner->GetNamePath();
    if (!path.empty()) result = path + "." + result;
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// Property tables

std::vector<const TPropInfo*> GetPropList(TClass cls) {
  std::vector<TClass> chain;
  for (TClass c = cls; c; c = c->Parent) chain.push_back(c);
  std::vector<const TPropInfo*> list;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const TPropTable* t = (*it)->Props;
    if (!t) continue;
    for (int i = 0; i < t->Count; ++i) list.push_back(&t->Props[i]);
  }
  return list;
}

const TPropInfo* GetPropInfo(TClass cls, std::string_view name) {
  // The most derived declaration wins when a class re-publishes a name.
  for (TClass c = cls; c; c = c->Parent) {
    const TPropTable* t = c->Props;
    if (!t) continue;
    for (int i = 0; i < t->Count; ++i)
      if (SameText(t->Props[i].Name, name)) return &t->Props[i];
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// TComponent

thread_local int TComponent::FMaking = 0;

TComponent::TComponent(TComponent* owner) {
  // Made otherwise, it would miss the steps after its constructors and work by halves.
  if (FMaking <= 0)
    throw EInvalidOperation("A component is made with NewComponent<T>(owner), never on the stack or as a member");
  --FMaking;
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell every peer that asked; each answer may remove entries of this list, so take one at a time.
  while (!FFreeNotifies.empty()) {
    TComponent* peer = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    peer->RemoveNotification(this);
    peer->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying() noexcept {
  if (FComponentState & csDestroying) return;
  FComponentState |= csDestroying;
  for (TComponent* c : FComponents) c->Destroying();
}

namespace {
bool IsValidIdent(std::string_view s) {
  if (s.empty()) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!alpha(s[0])) return false;
  for (char c : s.substr(1))
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}
}  // namespace

void TComponent::SetName(const std::string& name) {
  if (name == FName) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError(Format("Component name \"%s\" is not a valid identifier", name));
  if (FOwner && !name.empty()) {
    TComponent* other = FOwner->FindComponent(name);
    if (other && other != this) throw EComponentError(Format("A component named %s already exists", name));
  }
  FName = name;
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) ListIndexError(index);
  return FComponents[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto& list = FOwner->FComponents;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* c) {
  if (!c || c->FOwner == this) return;
  for (const TComponent* p = this; p; p = p->FOwner)
    if (p == c) throw EComponentError(Format("%s cannot own itself or its owner", c->ClassName()));
  if (!c->FName.empty() && FindComponent(c->FName))
    throw EComponentError(Format("A component named %s already exists", c->FName));
  if (c->FOwner) c->FOwner->RemoveComponent(c);
  Insert(c);
  if (FComponentState & csDesigning) c->SetDesigning(true);
  Notification(c, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
  if (!c || c->FOwner != this) return;
  Notification(c, TOperation::opRemove);
  Remove(c);
}

void TComponent::DestroyComponents() {
  // Last first; each removal is announced to the remaining siblings so that none keeps a
  // reference to a freed component.
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    c->Destroying();
    RemoveComponent(c);
    delete c;
  }
}

void TComponent::Insert(TComponent* c) {
  FComponents.push_back(c);
  c->FOwner = this;
}

void TComponent::Remove(TComponent* c) {
  auto it = std::find(FComponents.begin(), FComponents.end(), c);
  if (it != FComponents.end()) FComponents.erase(it);
  c->FOwner = nullptr;
}

void TComponent::FreeNotification(TComponent* c) {
  if (!c || c == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), c) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(c);
    c->FreeNotification(this);
  }
  FComponentState |= csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* c) {
  if (!c) return;
  RemoveNotification(c);
  c->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* c) {
  auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), c);
  if (it != FFreeNotifies.end()) FFreeNotifies.erase(it);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component) RemoveFreeNotification(component);
  // Owned components hear about every insertion and removal in their owner (copy: a handler
  // may change the list).
  std::vector<TComponent*> children = FComponents;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    TComponent* child = *it;
    if (std::find(FComponents.begin(), FComponents.end(), child) != FComponents.end())
      child->Notification(component, operation);
  }
}

void TComponent::SetDesigning(bool v) noexcept {
  if (v)
    FComponentState |= csDesigning;
  else
    FComponentState &= ~csDesigning;
  for (TComponent* c : FComponents) c->SetDesigning(v);
}

std::string TComponent::GetNamePath() const { return FName; }

void TComponent::Loaded() { FComponentState &= ~csLoading; }

void TComponent::GetChildren(std::vector<TComponent*>& out) const {
  out.insert(out.end(), FComponents.begin(), FComponents.end());
}

// ---------------------------------------------------------------------------------------------
// TCollectionItem / TCollection

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* c) {
  if (c == FCollection) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (c) c->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  auto& items = FCollection->FItems;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  int cur = Index();
  if (cur < 0 || cur == index) return;
  auto& items = FCollection->FItems;
  if (index < 0 || index >= static_cast<int>(items.size())) ListIndexError(index);
  items.erase(items.begin() + cur);
  items.insert(items.begin() + index, this);
  Changed(true);
}

std::string TCollectionItem::GetDisplayName() const { return ClassName(); }

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

std::string TCollectionItem::GetNamePath() const {
  if (!FCollection) return ClassName();
  return Format("%s[%d]", FCollection->GetNamePath(), Index());
}

void TCollectionItem::Changed(bool allItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
}

TCollection::TCollection(TClass itemClass) : FItemClass(itemClass) {
  if (!itemClass || !itemClass->InheritsFrom(TCollectionItem::StaticClass()))
    throw EInvalidOperation(Format("%s is not a collection item class", itemClass ? itemClass->Name : "nil"));
}

TCollection::~TCollection() {
  FUpdateCount = 1;
  while (!FItems.empty()) delete FItems.back();
}

TCollectionItem* TCollection::GetItem(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return FItems[static_cast<size_t>(index)];
}

TCollectionItem* TCollection::Add() {
  if (!FItemClass->Factory) throw EInvalidOperation(Format("Cannot create an item of class %s", FItemClass->Name));
  TObject* obj = FItemClass->Factory(this);
  auto* item = static_cast<TCollectionItem*>(obj);
  // A factory that does not pass the collection on leaves the item loose: attach it here.
  if (item->FCollection != this) item->SetCollection(this);
  return item;
}

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count()) ListIndexError(index);
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(int index) { delete GetItem(index); }

void TCollection::Clear() {
  if (FItems.empty()) return;
  TUpdateScope scope(*this);
  while (!FItems.empty()) delete FItems.back();
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == id) return item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Assign(const TPersistent* source) {
  if (source && source->InheritsFrom(TCollection::StaticClass())) {
    auto* other = static_cast<const TCollection*>(source);
    if (other == this) return;
    TUpdateScope scope(*this);
    Clear();
    for (TCollectionItem* item : other->FItems) Add()->Assign(item);
    return;
  }
  TPersistent::Assign(source);
}

void TCollection::InsertItem(TCollectionItem* item) {
  FItems.push_back(item);
  item->FCollection = this;
  item->FID = FNextID++;
  Notify(item, true);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  if (std::find(FItems.begin(), FItems.end(), item) == FItems.end()) return;
  Notify(item, false);
  auto it = std::find(FItems.begin(), FItems.end(), item);  // Notify may have moved it
  if (it != FItems.end()) FItems.erase(it);
  item->FCollection = nullptr;
  Changed();
}

}  // namespace korv
