#include "classlib/System.h"

#include <map>
#include <string>

#include "classlib/SysUtils.h"

namespace korv {

const TClassInfo TObject::ClassInfo{"TObject", nullptr, nullptr, nullptr};

namespace {
struct NameLess {
  bool operator()(const std::string& a, const std::string& b) const { return CompareText(a, b) < 0; }
};
// Created on first use: registration runs from explicit start-up code, never from static constructors.
std::map<std::string, TClass, NameLess>& ClassRegistry() {
  static std::map<std::string, TClass, NameLess> registry;
  return registry;
}
}  // namespace

void RegisterClass(TClass cls) {
  if (cls) ClassRegistry()[cls->Name] = cls;
}

void UnRegisterClass(TClass cls) {
  if (!cls) return;
  auto& reg = ClassRegistry();
  auto it = reg.find(cls->Name);
  if (it != reg.end() && it->second == cls) reg.erase(it);
}

TClass GetClass(std::string_view name) noexcept {
  auto& reg = ClassRegistry();
  auto it = reg.find(std::string(name));
  return it == reg.end() ? nullptr : it->second;
}

TClass FindClass(std::string_view name) {
  TClass c = GetClass(name);
  if (!c) throw EClassNotFound(Format("Class %s not found", std::string(name)));
  return c;
}

}  // namespace korv
