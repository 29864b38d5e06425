// The object model every class of the library stands on: TObject with class references,
// and TMethod, the comparable "method bound to an object" used for events.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace korv {

class TObject;
struct TPropTable;

// A class reference: the run-time description of one class (name, parent, factory, published
// properties). Class infos are constant-initialised statics, so they exist before any code runs.
struct TClassInfo {
  const char* Name;
  const TClassInfo* Parent;
  // Creates an instance: for components the argument is the owner (a TComponent or nullptr),
  // for collection items the collection. nullptr for abstract classes.
  TObject* (*Factory)(TObject* owner);
  // Published properties in declaration order (own ones only; the parent's come first when
  // walking), or nullptr.
  const TPropTable* Props;

  [[nodiscard]] bool InheritsFrom(const TClassInfo* other) const noexcept {
    for (const TClassInfo* c = this; c; c = c->Parent)
      if (c == other) return true;
    return false;
  }
  [[nodiscard]] std::string ClassName() const { return Name; }
};
using TClass = const TClassInfo*;

// Declares the class reference of a class; put it first in the class body.
#define KORV_CLASS(Cls, Base)                                                       \
 public:                                                                           \
  using inherited = Base;                                                          \
  static const ::korv::TClassInfo ClassInfo;                                       \
  static ::korv::TClass StaticClass() noexcept { return &Cls::ClassInfo; }         \
  ::korv::TClass ClassType() const noexcept override { return &Cls::ClassInfo; }   \
                                                                                   \
 private:

// Defines the class reference in the class's source file. Factory may be nullptr.
#define KORV_DEFINE_CLASS(Cls, Base, Factory, Props) \
  const ::korv::TClassInfo Cls::ClassInfo{#Cls, &Base::ClassInfo, Factory, Props}

class TObject {
 public:
  static const TClassInfo ClassInfo;
  static TClass StaticClass() noexcept { return &ClassInfo; }

  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  [[nodiscard]] virtual TClass ClassType() const noexcept { return &ClassInfo; }
  [[nodiscard]] std::string ClassName() const { return ClassType()->Name; }
  [[nodiscard]] bool InheritsFrom(TClass c) const noexcept { return ClassType()->InheritsFrom(c); }
  template <class T>
  [[nodiscard]] bool Is() const noexcept {
    return InheritsFrom(T::StaticClass());
  }
};

// Process-wide registry of classes that can be created by name (component streaming).
void RegisterClass(TClass cls);
void UnRegisterClass(TClass cls);
[[nodiscard]] TClass GetClass(std::string_view name) noexcept;  // nullptr when unknown
[[nodiscard]] TClass FindClass(std::string_view name);            // raises EClassNotFound

// A method bound to an object: compared by identity (object and member), called like a function.
// Events are TMethod fields; assigning nullptr clears them.
template <class Sig>
class TMethod;

template <class R, class... A>
class TMethod<R(A...)> {
 public:
  TMethod() noexcept = default;
  TMethod(std::nullptr_t) noexcept {}

  template <class C, class D>
    requires std::is_base_of_v<D, C>
  TMethod(C* obj, R (D::*m)(A...)) noexcept : Data_(static_cast<D*>(obj)), Call_(&Invoke<D, R (D::*)(A...)>) {
    Store(m);
  }
  template <class C, class D>
    requires std::is_base_of_v<D, C>
  TMethod(const C* obj, R (D::*m)(A...) const) noexcept
      : Data_(const_cast<D*>(static_cast<const D*>(obj))), Call_(&Invoke<const D, R (D::*)(A...) const>) {
    Store(m);
  }

  // Binds a plain function with a context pointer; identity is (function, context).
  [[nodiscard]] static TMethod Function(R (*fn)(void* ctx, A...), void* ctx) noexcept {
    TMethod m;
    m.Data_ = ctx;
    m.Call_ = &InvokeFunction;
    m.Store(fn);
    return m;
  }

  explicit operator bool() const noexcept { return Call_ != nullptr; }
  R operator()(A... args) const { return Call_(Data_, Code_, std::forward<A>(args)...); }

  // The bound object (the "Data" half of the method).
  [[nodiscard]] void* Data() const noexcept { return Data_; }

  friend bool operator==(const TMethod& a, const TMethod& b) noexcept {
    return a.Data_ == b.Data_ && a.Call_ == b.Call_ && std::memcmp(a.Code_, b.Code_, sizeof a.Code_) == 0;
  }
  friend bool operator==(const TMethod& a, std::nullptr_t) noexcept { return !a; }

 private:
  using Thunk = R (*)(void*, const unsigned char*, A...);

  template <class P>
  void Store(P p) noexcept {
    static_assert(sizeof(P) <= sizeof(Code_), "member pointer too large");
    std::memcpy(Code_, &p, sizeof p);
  }
  template <class C, class P>
  static R Invoke(void* obj, const unsigned char* code, A... args) {
    P m;
    std::memcpy(&m, code, sizeof m);
    return (static_cast<C*>(obj)->*m)(std::forward<A>(args)...);
  }
  static R InvokeFunction(void* ctx, const unsigned char* code, A... args) {
    R (*fn)(void*, A...);
    std::memcpy(&fn, code, sizeof fn);
    return fn(ctx, std::forward<A>(args)...);
  }

  void* Data_ = nullptr;
  Thunk Call_ = nullptr;
  alignas(void*) unsigned char Code_[16] = {};
};

using TNotifyEvent = TMethod<void(TObject* Sender)>;

// Frees an object and clears the pointer (the pointer is cleared first, as a later access
// through it during destruction must see nil).
template <class T>
void FreeAndNil(T*& p) noexcept {
  T* tmp = p;
  p = nullptr;
  delete tmp;
}

}  // namespace korv
