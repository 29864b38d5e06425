// Component streaming: property-table macros, and a binary form of published properties read
// and written by TReader/TWriter.
//
// Stream layout (all integers little-endian):
//   stream    := signature "KRF1" component
//   component := Str(class name) Str(component name) property* 0 component* 0
//   property  := Str(name) value
//   value     := vaInt32 int32 | vaFalse | vaTrue | vaString u32 bytes | vaWString u32 (u16)*
//              | vaDouble float64 | vaIdent Str | vaSet Str* 0 | vaBinary u32 bytes
//              | vaList value* vaNull | vaCollection (vaList property* 0)* vaNull
//              | vaObject property* 0 | vaNil
//   Str       := u8 length, bytes (1..255 bytes; length 0 ends a list)
// Children are the components the root owns, nested in the record of the component that
// GetChildren yields them from.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "classlib/Classes.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// Property table entries from getter/setter member functions.
//
//   const TPropInfo kFooProps[] = {
//     KORV_PROP_INT(TFoo, Width, 100),          // int Width() const; void SetWidth(int)
//     KORV_PROP_BOOL(TFoo, Visible, true),
//     KORV_PROP_ENUM(TFoo, Align, kAlignIdents, alNone),
//     KORV_PROP_STR(TFoo, Caption, ""),
//     KORV_PROP_OBJECT(TFoo, Font),             // TFont* Font() const: streamed in place
//     KORV_PROP_COMPONENT(TFoo, Images),        // TImageList* Images() const; SetImages(TImageList*)
//   };
//   KORV_DEFINE_PROPS(TFoo, kFooProps);         // defines TFoo_PropTable
//   KORV_DEFINE_CLASS(TFoo, TComponent, &CreateComponent<TFoo>, &TFoo_PropTable);
//
// Getters and setters must be accessible where the table is defined. The _NODEFAULT forms are
// always written; the _EX forms take the property name and the member functions explicitly.

namespace props {

template <class>
struct SetterArg;
template <class C, class R, class A>
struct SetterArg<R (C::*)(A)> {
  using type = std::remove_cvref_t<A>;
};
template <class C, class R, class A>
struct SetterArg<R (C::*)(A) noexcept> {
  using type = std::remove_cvref_t<A>;
};

template <class C, auto G>
int64_t GetOrd(const TObject* o) {
  return static_cast<int64_t>((static_cast<const C*>(o)->*G)());
}
template <class C, auto S>
void SetOrd(TObject* o, int64_t v) {
  using A = typename SetterArg<decltype(S)>::type;
  if constexpr (std::is_same_v<A, bool>)
    (static_cast<C*>(o)->*S)(v != 0);
  else
    (static_cast<C*>(o)->*S)(static_cast<A>(v));
}
template <class C, auto G>
std::string GetStr(const TObject* o) {
  return std::string((static_cast<const C*>(o)->*G)());
}
template <class C, auto S>
void SetStr(TObject* o, const std::string& v) {
  (static_cast<C*>(o)->*S)(v);
}
template <class C, auto G>
std::wstring GetWStr(const TObject* o) {
  return std::wstring((static_cast<const C*>(o)->*G)());
}
template <class C, auto S>
void SetWStr(TObject* o, const std::wstring& v) {
  (static_cast<C*>(o)->*S)(v);
}
template <class C, auto G>
double GetFloat(const TObject* o) {
  return static_cast<double>((static_cast<const C*>(o)->*G)());
}
template <class C, auto S>
void SetFloat(TObject* o, double v) {
  using A = typename SetterArg<decltype(S)>::type;
  (static_cast<C*>(o)->*S)(static_cast<A>(v));
}
template <class C, auto G>
TPersistent* GetObj(const TObject* o) {
  return (static_cast<const C*>(o)->*G)();
}
template <class C, auto G>
TComponent* GetComp(const TObject* o) {
  return (static_cast<const C*>(o)->*G)();
}
// A reference of the wrong class is rejected with EReadError "Invalid property value".
[[noreturn]] void InvalidPropertyValue();
template <class C, auto S>
void SetComp(TObject* o, TComponent* v) {
  using A = std::remove_pointer_t<typename SetterArg<decltype(S)>::type>;
  A* typed = nullptr;
  if (v) {
    typed = dynamic_cast<A*>(v);
    if (!typed) InvalidPropertyValue();
  }
  (static_cast<C*>(o)->*S)(typed);
}
template <class C, auto F>
bool Stored(const TObject* o) {
  return (static_cast<const C*>(o)->*F)();
}

constexpr TPropInfo Base(const char* name, TPropKind kind) {
  return TPropInfo{name,    kind,    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, 0,       false,   0,       nullptr, 0.0,     nullptr};
}

template <class C, auto G, auto S>
constexpr TPropInfo Ord(const char* name, TPropKind kind, bool hasDefault, int64_t def,
                        const char* const* idents = nullptr, int identCount = 0) {
  TPropInfo p = Base(name, kind);
  p.GetOrd = &GetOrd<C, G>;
  p.SetOrd = &SetOrd<C, S>;
  p.Idents = idents;
  p.IdentCount = identCount;
  p.HasDefault = hasDefault;
  p.DefaultOrd = def;
  return p;
}
template <class C, auto G, auto S>
constexpr TPropInfo Str(const char* name, const char* def) {
  TPropInfo p = Base(name, TPropKind::String);
  p.GetStr = &GetStr<C, G>;
  p.SetStr = &SetStr<C, S>;
  p.HasDefault = def != nullptr;
  p.DefaultStr = def;
  return p;
}
template <class C, auto G, auto S>
constexpr TPropInfo WStr(const char* name, const char* def) {
  TPropInfo p = Base(name, TPropKind::WString);
  p.GetWStr = &GetWStr<C, G>;
  p.SetWStr = &SetWStr<C, S>;
  p.HasDefault = def != nullptr;
  p.DefaultStr = def;
  return p;
}
template <class C, auto G, auto S>
constexpr TPropInfo Float(const char* name, bool hasDefault, double def) {
  TPropInfo p = Base(name, TPropKind::Float);
  p.GetFloat = &GetFloat<C, G>;
  p.SetFloat = &SetFloat<C, S>;
  p.HasDefault = hasDefault;
  p.DefaultFloat = def;
  return p;
}
template <class C, auto G>
constexpr TPropInfo Obj(const char* name, TPropKind kind) {
  TPropInfo p = Base(name, kind);
  p.GetObj = &GetObj<C, G>;
  return p;
}
template <class C, auto G, auto S>
constexpr TPropInfo Comp(const char* name) {
  TPropInfo p = Base(name, TPropKind::Component);
  p.GetComp = &GetComp<C, G>;
  p.SetComp = &SetComp<C, S>;
  p.HasDefault = true;  // nil is not written
  return p;
}
constexpr TPropInfo WithStored(TPropInfo p, bool (*stored)(const TObject*)) {
  p.IsStored = stored;
  return p;
}

}  // namespace props

#define KORV_PROP_INT_EX(Name, Cls, G, S, HasDef, Def) \
  ::korv::props::Ord<Cls, G, S>(Name, ::korv::TPropKind::Integer, HasDef, static_cast<int64_t>(Def))
#define KORV_PROP_INT(Cls, P, Def) KORV_PROP_INT_EX(#P, Cls, &Cls::P, &Cls::Set##P, true, Def)
#define KORV_PROP_INT_NODEFAULT(Cls, P) KORV_PROP_INT_EX(#P, Cls, &Cls::P, &Cls::Set##P, false, 0)

#define KORV_PROP_BOOL_EX(Name, Cls, G, S, HasDef, Def) \
  ::korv::props::Ord<Cls, G, S>(Name, ::korv::TPropKind::Boolean, HasDef, (Def) ? 1 : 0)
#define KORV_PROP_BOOL(Cls, P, Def) KORV_PROP_BOOL_EX(#P, Cls, &Cls::P, &Cls::Set##P, true, Def)
#define KORV_PROP_BOOL_NODEFAULT(Cls, P) KORV_PROP_BOOL_EX(#P, Cls, &Cls::P, &Cls::Set##P, false, false)

// Idents: an array of identifiers indexed by ordinal (const char* const X[] = {...}).
#define KORV_PROP_ENUM_EX(Name, Cls, G, S, Idents, HasDef, Def)                                           \
  ::korv::props::Ord<Cls, G, S>(Name, ::korv::TPropKind::Enum, HasDef, static_cast<int64_t>(Def), Idents, \
                                static_cast<int>(std::size(Idents)))
#define KORV_PROP_ENUM(Cls, P, Idents, Def) KORV_PROP_ENUM_EX(#P, Cls, &Cls::P, &Cls::Set##P, Idents, true, Def)
#define KORV_PROP_ENUM_NODEFAULT(Cls, P, Idents) KORV_PROP_ENUM_EX(#P, Cls, &Cls::P, &Cls::Set##P, Idents, false, 0)

// A set: bit i of the value stands for Idents[i]; Def is the default bit mask.
#define KORV_PROP_SET_EX(Name, Cls, G, S, Idents, HasDef, Def)                                           \
  ::korv::props::Ord<Cls, G, S>(Name, ::korv::TPropKind::Set, HasDef, static_cast<int64_t>(Def), Idents, \
                                static_cast<int>(std::size(Idents)))
#define KORV_PROP_SET(Cls, P, Idents, Def) KORV_PROP_SET_EX(#P, Cls, &Cls::P, &Cls::Set##P, Idents, true, Def)

// Def: the default text, or nullptr for "always written".
#define KORV_PROP_STR_EX(Name, Cls, G, S, Def) ::korv::props::Str<Cls, G, S>(Name, Def)
#define KORV_PROP_STR(Cls, P, Def) KORV_PROP_STR_EX(#P, Cls, &Cls::P, &Cls::Set##P, Def)
#define KORV_PROP_STR_NODEFAULT(Cls, P) KORV_PROP_STR_EX(#P, Cls, &Cls::P, &Cls::Set##P, nullptr)

// Def: an ASCII default text compared with the value, or nullptr.
#define KORV_PROP_WSTR_EX(Name, Cls, G, S, Def) ::korv::props::WStr<Cls, G, S>(Name, Def)
#define KORV_PROP_WSTR(Cls, P, Def) KORV_PROP_WSTR_EX(#P, Cls, &Cls::P, &Cls::Set##P, Def)
#define KORV_PROP_WSTR_NODEFAULT(Cls, P) KORV_PROP_WSTR_EX(#P, Cls, &Cls::P, &Cls::Set##P, nullptr)

#define KORV_PROP_FLOAT_EX(Name, Cls, G, S, HasDef, Def) ::korv::props::Float<Cls, G, S>(Name, HasDef, Def)
#define KORV_PROP_FLOAT(Cls, P, Def) KORV_PROP_FLOAT_EX(#P, Cls, &Cls::P, &Cls::Set##P, true, Def)
#define KORV_PROP_FLOAT_NODEFAULT(Cls, P) KORV_PROP_FLOAT_EX(#P, Cls, &Cls::P, &Cls::Set##P, false, 0.0)

// An owned sub-object (TFont, TBitmap, TStrings...) filled in place: getter only.
#define KORV_PROP_OBJECT_EX(Name, Cls, G) ::korv::props::Obj<Cls, G>(Name, ::korv::TPropKind::Object)
#define KORV_PROP_OBJECT(Cls, P) KORV_PROP_OBJECT_EX(#P, Cls, &Cls::P)
// An owned collection: its items are replaced by the stored ones.
#define KORV_PROP_COLLECTION_EX(Name, Cls, G) ::korv::props::Obj<Cls, G>(Name, ::korv::TPropKind::Collection)
#define KORV_PROP_COLLECTION(Cls, P) KORV_PROP_COLLECTION_EX(#P, Cls, &Cls::P)
// A reference to another component of the same root, written by name; nil is not written.
#define KORV_PROP_COMPONENT_EX(Name, Cls, G, S) ::korv::props::Comp<Cls, G, S>(Name)
#define KORV_PROP_COMPONENT(Cls, P) KORV_PROP_COMPONENT_EX(#P, Cls, &Cls::P, &Cls::Set##P)

// Wraps an entry with a "stored" member function (bool F() const): false skips writing.
#define KORV_PROP_STORED(Entry, Cls, F) ::korv::props::WithStored(Entry, &::korv::props::Stored<Cls, &Cls::F>)

// Defines Cls##_PropTable over an array of entries.
#define KORV_DEFINE_PROPS(Cls, Array) \
  const ::korv::TPropTable Cls##_PropTable { Array, static_cast<int>(std::size(Array)) }

// ---------------------------------------------------------------------------------------------
// Tagged values of the binary form.

enum class TValueType : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt32 = 2,
  vaFalse = 3,
  vaTrue = 4,
  vaString = 5,
  vaWString = 6,
  vaDouble = 7,
  vaIdent = 8,
  vaSet = 9,
  vaBinary = 10,
  vaCollection = 11,
  vaObject = 12,
  vaNil = 13,
};

inline constexpr char kFilerSignature[4] = {'K', 'R', 'F', '1'};

// ---------------------------------------------------------------------------------------------
// TFiler: what TReader and TWriter share, and the DefineProperties interface.

using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;
using TStreamProc = std::function<void(TStream&)>;

class TFiler : public TObject {
  KORV_CLASS(TFiler, TObject)
 public:
  explicit TFiler(TStream& stream) : FStream(stream) {}
  [[nodiscard]] TStream& Stream() const noexcept { return FStream; }
  [[nodiscard]] TComponent* Root() const noexcept { return FRoot; }

  // A property outside the property table: written by writeData when hasData is true, read by
  // readData (which reads exactly the values writeData wrote).
  virtual void DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                              bool hasData) = 0;
  // A block of bytes: writeData fills a memory stream; readData gets a memory stream over the
  // stored bytes, positioned at 0.
  virtual void DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc& writeData,
                                    bool hasData) = 0;

 protected:
  TStream& FStream;
  TComponent* FRoot = nullptr;
};

// ---------------------------------------------------------------------------------------------
// TWriter

class TWriter : public TFiler {
  KORV_CLASS(TWriter, TFiler)
 public:
  using TFiler::TFiler;

  // Writes the signature, root's properties and its children (root's owned components).
  void WriteRootComponent(TComponent* root);
  // Writes one component record (header, properties, children) inside the current root.
  void WriteComponent(TComponent* component);
  // Writes the published properties of instance (the table, then DefineProperties), without
  // the terminating end marker.
  void WriteProperties(const TPersistent* instance);

  void WriteInteger(int32_t v);
  void WriteBoolean(bool v);
  void WriteString(std::string_view v);
  void WriteWideString(std::wstring_view v);
  void WriteFloat(double v);
  void WriteIdent(std::string_view ident);
  void WriteListBegin();
  void WriteListEnd();
  void WriteCollection(const TCollection* collection);
  void WriteBinary(const void* data, uint32_t size);
  void WriteValue(TValueType t);
  void WriteStr(std::string_view s);  // a short identifier (1..255 bytes)

  void DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                      bool hasData) override;
  void DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc& writeData,
                            bool hasData) override;

 private:
  void Write(const void* p, uint32_t n) { FStream.WriteBuffer(p, static_cast<int32_t>(n)); }
  void WriteProperty(const TPersistent* instance, const TPropInfo& prop);
  [[nodiscard]] bool IsDefault(const TPersistent* instance, const TPropInfo& prop) const;
  [[nodiscard]] std::string ReferenceName(const TComponent* c) const;
  std::vector<const TComponent*> FWritten;
};

// ---------------------------------------------------------------------------------------------
// TReader

class TReader : public TFiler {
  KORV_CLASS(TReader, TFiler)
 public:
  using TFiler::TFiler;

  // Reads a whole stream into root (its class must match the stored class name). Components
  // named in the stream are created by registered class name with root as owner; properties are
  // set while csLoading and csReading are set; Loaded runs once per component at the end.
  // On failure every component created by this call is freed, csLoading/csReading are cleared
  // on root, and EReadError (or another EFilerError) is raised.
  void ReadRootComponent(TComponent* root);
  // Reads the published properties of instance up to (and including) the end marker.
  void ReadProperties(TPersistent* instance);

  [[nodiscard]] TValueType NextValue();  // peeks the next tag
  TValueType ReadValue();
  void CheckValue(TValueType expected);
  [[nodiscard]] bool EndOfList();  // the next byte is the end marker
  int32_t ReadInteger();
  bool ReadBoolean();
  std::string ReadString();       // accepts vaString and vaWString
  std::wstring ReadWideString();  // accepts vaWString and vaString
  double ReadFloat();             // accepts vaDouble and vaInt32
  std::string ReadIdent();
  void ReadListBegin();
  void ReadListEnd();
  void ReadCollection(TCollection* collection);
  std::vector<uint8_t> ReadBinary();
  std::string ReadStr();
  void SkipValue();

  void DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                      bool hasData) override;
  void DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc& writeData,
                            bool hasData) override;

 private:
  struct Fixup {
    TPersistent* Instance;
    const TPropInfo* Prop;
    std::string Name;
    std::string Path;
  };
  // Where the properties being read belong, for error messages; the text is built only when an
  // error is raised: a given text, a parent's path and a property name, or an instance's path.
  struct TReadPath {
    const std::string* Text = nullptr;
    const TReadPath* Parent = nullptr;
    const char* Name = nullptr;
    const TPersistent* Instance = nullptr;
    [[nodiscard]] std::string Str() const;
  };
  // A class's published properties (the most derived of a name), with their name lengths. Made
  // once per class for the whole process.
  struct TClassProps {
    TClass Class = nullptr;
    std::vector<const TPropInfo*> Props;
    std::vector<std::string_view> Names;
    // The index of the property named name, searched from start on (the stream keeps the
    // table's order, so this is usually start itself), or -1.
    [[nodiscard]] int Find(std::string_view name, size_t start) const noexcept;
  };

  // The byte source: a memory stream is read straight from its block, any other stream
  // through Read.
  void Read(void* p, uint32_t n);
  const uint8_t* Take(uint32_t n);  // n bytes, valid until the next read
  const uint8_t* InBlock(uint32_t n) noexcept;
  const uint8_t* TakeSlow(uint32_t n);
  uint8_t PeekByte();
  TValueType ReadTag();  // ReadValue, inlined where this file reads values
  uint32_t ReadLength(uint32_t unit);
  std::string_view ReadName(char (&buffer)[256]);  // a Str, in buffer or in the block
  void ReadStringInto(std::string& out);

  const TClassProps& PropsOf(TClass cls);
  void ReadComponentRecord(TComponent* parent, int depth);
  void ReadProperties(TPersistent* instance, const std::string& path);
  void ReadProperties(TPersistent* instance, const TReadPath& path);
  void ReadPropValue(TPersistent* instance, const TPropInfo& prop, const TReadPath& path);
  void ReadDefinedProperty(TPersistent* instance, std::string_view name);
  void ResolveFixups();
  void AbortRead(TComponent* root) noexcept;

  TCustomMemoryStream* const FMemory = dynamic_cast<TCustomMemoryStream*>(&FStream);
  std::vector<uint8_t> FScratch;  // bytes of a stream that is not in memory
  std::string FText;              // a string value on its way to its setter
  // The tables of the classes this reader met (the process keeps them): a few, looked at first.
  std::array<const TClassProps*, 8> FKnown{};
  size_t FKnownCount = 0;
  std::string FPropName;  // the property DefineProperties is asked for; cleared when found
  std::vector<TComponent*> FLoaded;
  std::vector<TComponent*> FCreated;
  std::vector<Fixup> FFixups;
  int FDepth = 0;
};

// ---------------------------------------------------------------------------------------------
// Entry points

// Writes root with its properties and owned children.
void WriteComponent(TStream& stream, TComponent* root);
// Reads a stream written by WriteComponent into instance; with instance nullptr the root is
// created by its registered class name with owner as its owner (freed again on failure).
TComponent* ReadComponent(TStream& stream, TComponent* instance = nullptr, TComponent* owner = nullptr);

[[nodiscard]] std::vector<uint8_t> ComponentToBytes(TComponent* root);
TComponent* ReadComponentFromMemory(const void* data, size_t size, TComponent* instance = nullptr,
                                    TComponent* owner = nullptr);
// Reads an RCDATA resource of module instance (raises EResNotFound when missing).
TComponent* ReadComponentResource(HINSTANCE module, const std::string& resName, TComponent* instance = nullptr,
                                  TComponent* owner = nullptr);
// Writes root as a one-entry 32-bit resource file (.res) holding an RCDATA resource named
// resName (upper-cased, as resource compilers store names).
void WriteComponentResFile(const std::string& fileName, const std::string& resName, TComponent* root);

}  // namespace korv
