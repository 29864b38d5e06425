// Helpers that build published-property entries over fields of the stored-skin classes.
#pragma once

#include "classlib/Classes.h"

namespace korv::stored_props {

template <class C, auto Member>
TPropInfo IntProp(const char* name) {
  TPropInfo p{};
  p.Name = name;
  p.Kind = TPropKind::Integer;
  p.GetOrd = [](const TObject* o) -> int64_t { return static_cast<const C*>(o)->*Member; };
  p.SetOrd = [](TObject* o, int64_t v) { static_cast<C*>(o)->*Member = static_cast<int>(v); };
  return p;
}

template <class C, auto Member>
TPropInfo BoolProp(const char* name) {
  TPropInfo p{};
  p.Name = name;
  p.Kind = TPropKind::Boolean;
  p.GetOrd = [](const TObject* o) -> int64_t { return (static_cast<const C*>(o)->*Member) ? 1 : 0; };
  p.SetOrd = [](TObject* o, int64_t v) { static_cast<C*>(o)->*Member = v != 0; };
  return p;
}

template <class C, auto Member, class E>
TPropInfo EnumProp(const char* name, const char* const* idents, int count) {
  TPropInfo p{};
  p.Name = name;
  p.Kind = TPropKind::Enum;
  p.GetOrd = [](const TObject* o) -> int64_t { return static_cast<int64_t>(static_cast<const C*>(o)->*Member); };
  p.SetOrd = [](TObject* o, int64_t v) { static_cast<C*>(o)->*Member = static_cast<E>(v); };
  p.Idents = idents;
  p.IdentCount = count;
  return p;
}

template <class C, auto Member>
TPropInfo StrProp(const char* name) {
  TPropInfo p{};
  p.Name = name;
  p.Kind = TPropKind::String;
  p.GetStr = [](const TObject* o) -> std::string { return static_cast<const C*>(o)->*Member; };
  p.SetStr = [](TObject* o, const std::string& v) { static_cast<C*>(o)->*Member = v; };
  return p;
}

template <class C, auto Member>
TPropInfo FloatProp(const char* name) {
  TPropInfo p{};
  p.Name = name;
  p.Kind = TPropKind::Float;
  p.GetFloat = [](const TObject* o) -> double { return static_cast<const C*>(o)->*Member; };
  p.SetFloat = [](TObject* o, double v) { static_cast<C*>(o)->*Member = v; };
  return p;
}

// A string property behind a getter and a setter.
template <class C, auto Getter, auto Setter>
TPropInfo StrAccessorProp(const char* name) {
  TPropInfo p{};
  p.Name = name;
  p.Kind = TPropKind::String;
  p.GetStr = [](const TObject* o) -> std::string { return (static_cast<const C*>(o)->*Getter)(); };
  p.SetStr = [](TObject* o, const std::string& v) { (static_cast<C*>(o)->*Setter)(v); };
  return p;
}

// An owned sub-object (bitmap, picture) or collection, filled in place when read.
template <class C, auto Getter>
TPropInfo ObjProp(const char* name, TPropKind kind) {
  TPropInfo p{};
  p.Name = name;
  p.Kind = kind;
  p.GetObj = [](const TObject* o) -> TPersistent* { return (static_cast<const C*>(o)->*Getter)(); };
  return p;
}

}  // namespace korv::stored_props
