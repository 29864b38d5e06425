// Published-property entries over public fields of the stored-skin classes. Properties behind a
// getter and a setter use the class library's property macros (Streaming.h).
#pragma once

#include <cstddef>

#include "classlib/Streaming.h"

namespace korv::stored_props {

template <class C, auto Member>
TPropInfo IntProp(const char* name) {
  TPropInfo p = props::Base(name, TPropKind::Integer);
  p.GetOrd = [](const TObject* o) -> int64_t { return static_cast<const C*>(o)->*Member; };
  p.SetOrd = [](TObject* o, int64_t v) { static_cast<C*>(o)->*Member = static_cast<int>(v); };
  return p;
}

template <class C, auto Member>
TPropInfo BoolProp(const char* name) {
  TPropInfo p = props::Base(name, TPropKind::Boolean);
  p.GetOrd = [](const TObject* o) -> int64_t { return (static_cast<const C*>(o)->*Member) ? 1 : 0; };
  p.SetOrd = [](TObject* o, int64_t v) { static_cast<C*>(o)->*Member = v != 0; };
  return p;
}

// Idents: the identifiers of E by ordinal.
template <class C, auto Member, class E, size_t N>
TPropInfo EnumProp(const char* name, const char* const (&idents)[N]) {
  TPropInfo p = props::Base(name, TPropKind::Enum);
  p.GetOrd = [](const TObject* o) -> int64_t { return static_cast<int64_t>(static_cast<const C*>(o)->*Member); };
  p.SetOrd = [](TObject* o, int64_t v) { static_cast<C*>(o)->*Member = static_cast<E>(v); };
  p.Idents = idents;
  p.IdentCount = static_cast<int>(N);
  return p;
}

template <class C, auto Member>
TPropInfo StrProp(const char* name) {
  TPropInfo p = props::Base(name, TPropKind::String);
  p.GetStr = [](const TObject* o) -> std::string { return static_cast<const C*>(o)->*Member; };
  p.SetStr = [](TObject* o, const std::string& v) { static_cast<C*>(o)->*Member = v; };
  return p;
}

template <class C, auto Member>
TPropInfo FloatProp(const char* name) {
  TPropInfo p = props::Base(name, TPropKind::Float);
  p.GetFloat = [](const TObject* o) -> double { return static_cast<const C*>(o)->*Member; };
  p.SetFloat = [](TObject* o, double v) { static_cast<C*>(o)->*Member = v; };
  return p;
}

}  // namespace korv::stored_props
