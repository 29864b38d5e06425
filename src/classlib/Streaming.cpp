#include "classlib/Streaming.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

namespace korv {

KORV_DEFINE_CLASS(TFiler, TObject, nullptr, nullptr);
KORV_DEFINE_CLASS(TWriter, TFiler, nullptr, nullptr);
KORV_DEFINE_CLASS(TReader, TFiler, nullptr, nullptr);

namespace {

constexpr const char* kInvalidValue = "Invalid property value";
constexpr const char* kReadError = "Stream read error";
constexpr int kMaxDepth = 100;  // nesting of component records and sub-objects

[[noreturn]] void InvalidValue() { throw EReadError(kInvalidValue); }
[[noreturn]] void BadTag(uint8_t b) { throw EReadError(Format("Invalid value tag %d", static_cast<int>(b))); }

// A read-only stream over bytes someone else owns.
class TPointerStream : public TCustomMemoryStream {
 public:
  TPointerStream(const void* p, size_t n) { SetPointer(const_cast<void*>(p), static_cast<int64_t>(n)); }
  int32_t Write(const void*, int32_t) override { return 0; }
};

// Brackets the reading of one component's stored state (BeginReadState / EndReadState).
class TReadStateScope {
 public:
  explicit TReadStateScope(TComponent* c) : C_(c) { C_->BeginReadState(); }
  ~TReadStateScope() { C_->EndReadState(); }
  TReadStateScope(const TReadStateScope&) = delete;
  TReadStateScope& operator=(const TReadStateScope&) = delete;

 private:
  TComponent* C_;
};

// Sets state flags for a scope and takes them away again.
class TStateScope {
 public:
  TStateScope(TComponent* c, TComponentState s) : C_(c), S_(s & ~c->ComponentState()) { C_->SetComponentState(S_); }
  ~TStateScope() { C_->SetComponentState(0, S_); }
  TStateScope(const TStateScope&) = delete;
  TStateScope& operator=(const TStateScope&) = delete;

 private:
  TComponent* C_;
  TComponentState S_;
};

}  // namespace

void props::InvalidPropertyValue() { InvalidValue(); }

// ---------------------------------------------------------------------------------------------
// TStrings: the items travel as a list of strings named "Strings".

void TStrings::DefineProperties(TFiler* filer) {
  filer->DefineProperty(
      "Strings",
      [this](TReader& reader) {
        TUpdateScope scope(*this);
        Clear();
        reader.ReadListBegin();
        while (!reader.EndOfList()) Add(reader.ReadString());
        reader.ReadListEnd();
      },
      [this](TWriter& writer) {
        writer.WriteListBegin();
        for (int i = 0, n = Count(); i < n; ++i) writer.WriteString(Get(i));
        writer.WriteListEnd();
      },
      Count() > 0);
}

// ---------------------------------------------------------------------------------------------
// TWriter

void TWriter::WriteValue(TValueType t) {
  auto b = static_cast<uint8_t>(t);
  Write(&b, 1);
}

void TWriter::WriteStr(std::string_view s) {
  if (s.size() > 255) throw EWriteError(Format("Name \"%s\" is too long to be streamed", std::string(s.substr(0, 32))));
  auto n = static_cast<uint8_t>(s.size());
  Write(&n, 1);
  Write(s.data(), n);
}

void TWriter::WriteInteger(int32_t v) {
  WriteValue(TValueType::vaInt32);
  Write(&v, 4);
}

void TWriter::WriteBoolean(bool v) { WriteValue(v ? TValueType::vaTrue : TValueType::vaFalse); }

void TWriter::WriteString(std::string_view v) {
  WriteValue(TValueType::vaString);
  auto n = static_cast<uint32_t>(v.size());
  Write(&n, 4);
  Write(v.data(), n);
}

void TWriter::WriteWideString(std::wstring_view v) {
  static_assert(sizeof(wchar_t) == 2, "UTF-16 wide characters");
  WriteValue(TValueType::vaWString);
  auto n = static_cast<uint32_t>(v.size());
  Write(&n, 4);
  Write(v.data(), n * 2);
}

void TWriter::WriteFloat(double v) {
  WriteValue(TValueType::vaDouble);
  Write(&v, 8);
}

void TWriter::WriteIdent(std::string_view ident) {
  WriteValue(TValueType::vaIdent);
  WriteStr(ident);
}

void TWriter::WriteListBegin() { WriteValue(TValueType::vaList); }
void TWriter::WriteListEnd() { WriteValue(TValueType::vaNull); }

void TWriter::WriteBinary(const void* data, uint32_t size) {
  WriteValue(TValueType::vaBinary);
  Write(&size, 4);
  Write(data, size);
}

void TWriter::WriteCollection(const TCollection* collection) {
  WriteValue(TValueType::vaCollection);
  if (collection)
    for (int i = 0, n = collection->Count(); i < n; ++i) {
      WriteListBegin();
      WriteProperties(collection->GetItem(i));
      WriteListEnd();
    }
  WriteListEnd();
}

bool TWriter::IsDefault(const TPersistent* instance, const TPropInfo& prop) const {
  if (!prop.HasDefault) return false;
  switch (prop.Kind) {
    case TPropKind::Integer:
    case TPropKind::Boolean:
    case TPropKind::Enum:
    case TPropKind::Set:
      return prop.GetOrd(instance) == prop.DefaultOrd;
    case TPropKind::String:
      return prop.GetStr(instance) == (prop.DefaultStr ? prop.DefaultStr : "");
    case TPropKind::WString:
      return prop.GetWStr(instance) == AnsiToWide(prop.DefaultStr ? prop.DefaultStr : "");
    case TPropKind::Float:
      return prop.GetFloat(instance) == prop.DefaultFloat;
    case TPropKind::Component:
      return prop.GetComp(instance) == nullptr;
    case TPropKind::Object:
    case TPropKind::Collection:
      return false;
  }
  return false;
}

std::string TWriter::ReferenceName(const TComponent* c) const {
  if (!c || !FRoot) return {};
  if (c == FRoot || c->Owner() == FRoot) return c->Name();
  return {};  // outside the root: cannot be found again when reading
}

void TWriter::WriteProperty(const TPersistent* instance, const TPropInfo& prop) {
  switch (prop.Kind) {
    case TPropKind::Integer:
      WriteStr(prop.Name);
      WriteInteger(static_cast<int32_t>(prop.GetOrd(instance)));
      return;
    case TPropKind::Boolean:
      WriteStr(prop.Name);
      WriteBoolean(prop.GetOrd(instance) != 0);
      return;
    case TPropKind::Enum: {
      int64_t v = prop.GetOrd(instance);
      if (v < 0 || v >= prop.IdentCount)
        throw EWriteError(Format("Error writing %s.%s: %s", instance->GetNamePath(), prop.Name, kInvalidValue));
      WriteStr(prop.Name);
      WriteIdent(prop.Idents[v]);
      return;
    }
    case TPropKind::Set: {
      int64_t v = prop.GetOrd(instance);
      WriteStr(prop.Name);
      WriteValue(TValueType::vaSet);
      for (int i = 0; i < prop.IdentCount && i < 64; ++i)
        if (v & (int64_t{1} << i)) WriteStr(prop.Idents[i]);
      WriteValue(TValueType::vaNull);
      return;
    }
    case TPropKind::String:
      WriteStr(prop.Name);
      WriteString(prop.GetStr(instance));
      return;
    case TPropKind::WString:
      WriteStr(prop.Name);
      WriteWideString(prop.GetWStr(instance));
      return;
    case TPropKind::Float:
      WriteStr(prop.Name);
      WriteFloat(prop.GetFloat(instance));
      return;
    case TPropKind::Object: {
      const TPersistent* obj = prop.GetObj(instance);
      if (!obj) return;
      // Written only when the sub-object has something to say.
      TMemoryStream body;
      TWriter sub(body);
      sub.FRoot = FRoot;
      sub.WriteProperties(obj);
      if (body.Size() == 0) return;
      WriteStr(prop.Name);
      WriteValue(TValueType::vaObject);
      Write(body.Memory(), static_cast<uint32_t>(body.Size()));
      WriteValue(TValueType::vaNull);
      return;
    }
    case TPropKind::Collection: {
      const TPersistent* obj = prop.GetObj(instance);
      if (!obj || !obj->InheritsFrom(TCollection::StaticClass())) return;
      WriteStr(prop.Name);
      WriteCollection(static_cast<const TCollection*>(obj));
      return;
    }
    case TPropKind::Component: {
      std::string name = ReferenceName(prop.GetComp(instance));
      if (name.empty()) return;
      WriteStr(prop.Name);
      WriteIdent(name);
      return;
    }
  }
}

void TWriter::WriteProperties(const TPersistent* instance) {
  for (const TPropInfo* prop : GetPropList(instance->ClassType())) {
    if (prop->IsStored && !prop->IsStored(instance)) continue;
    if (IsDefault(instance, *prop)) continue;
    WriteProperty(instance, *prop);
  }
  const_cast<TPersistent*>(instance)->DefineProperties(this);
}

void TWriter::DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                             bool hasData) {
  (void)readData;
  if (!hasData || !writeData) return;
  WriteStr(name);
  writeData(*this);
}

void TWriter::DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc& writeData,
                                   bool hasData) {
  (void)readData;
  if (!hasData || !writeData) return;
  TMemoryStream data;
  writeData(data);
  if (data.Size() > INT32_MAX) throw EWriteError("Stream write error");
  WriteStr(name);
  WriteBinary(data.Memory(), static_cast<uint32_t>(data.Size()));
}

void TWriter::WriteComponent(TComponent* component) {
  if (std::find(FWritten.begin(), FWritten.end(), component) != FWritten.end()) return;
  FWritten.push_back(component);
  TStateScope writing(component, csWriting);
  WriteStr(component->ClassName());
  WriteStr(component->Name());
  WriteProperties(component);
  WriteValue(TValueType::vaNull);
  std::vector<TComponent*> children;
  component->GetChildren(children);
  for (TComponent* child : children)
    if (child && child->Owner() == FRoot) WriteComponent(child);
  WriteValue(TValueType::vaNull);
}

void TWriter::WriteRootComponent(TComponent* root) {
  FRoot = root;
  FWritten.clear();
  Write(kFilerSignature, sizeof kFilerSignature);
  WriteComponent(root);
}

// ---------------------------------------------------------------------------------------------
// TReader

// The next n bytes of a memory stream's block, moved past; nullptr when the stream is not in
// memory or holds fewer (Take then reads or raises).
[[gnu::always_inline]] inline const uint8_t* TReader::InBlock(uint32_t n) noexcept {
  TCustomMemoryStream* m = FMemory;
  if (!m) return nullptr;
  const int64_t pos = m->FPosition;
  if (pos < 0 || n > m->FSize - pos) return nullptr;
  m->FPosition = pos + n;
  return static_cast<const uint8_t*>(m->FMemory) + pos;
}

[[gnu::always_inline]] inline const uint8_t* TReader::Take(uint32_t n) {
  if (const uint8_t* p = InBlock(n)) return p;
  return TakeSlow(n);
}

const uint8_t* TReader::TakeSlow(uint32_t n) {
  if (FMemory) throw EReadError(kReadError);
  FScratch.resize(n);
  Read(FScratch.data(), n);
  return FScratch.data();
}

void TReader::Read(void* p, uint32_t n) {
  if (n == 0) return;
  if (FMemory) {
    std::memcpy(p, Take(n), n);
    return;
  }
  if (n > static_cast<uint32_t>(INT32_MAX) || FStream.Read(p, static_cast<int32_t>(n)) != static_cast<int32_t>(n))
    throw EReadError(kReadError);
}

uint8_t TReader::PeekByte() {
  if (FMemory) {
    const int64_t pos = FMemory->FPosition;
    if (pos >= 0 && pos < FMemory->FSize) return static_cast<const uint8_t*>(FMemory->FMemory)[pos];
    throw EReadError(kReadError);
  }
  uint8_t b;
  Read(&b, 1);
  FStream.Seek(-1, soCurrent);
  return b;
}

uint32_t TReader::ReadLength(uint32_t unit) {
  uint32_t n;
  std::memcpy(&n, Take(4), 4);
  // Never trust a length beyond what the stream still holds (no huge allocation on garbage).
  int64_t left = FMemory ? FMemory->FSize - FMemory->FPosition : FStream.Size() - FStream.Position();
  if (left < 0 || uint64_t{n} * unit > static_cast<uint64_t>(left)) throw EReadError(kReadError);
  return n;
}

std::string_view TReader::ReadName(char (&buffer)[256]) {
  const uint8_t n = *Take(1);
  if (FMemory) return {reinterpret_cast<const char*>(Take(n)), n};
  Read(buffer, n);
  return {buffer, n};
}

[[gnu::always_inline]] inline TValueType TReader::ReadTag() {
  const uint8_t b = *Take(1);
  if (b > static_cast<uint8_t>(TValueType::vaNil)) BadTag(b);
  return static_cast<TValueType>(b);
}

TValueType TReader::ReadValue() { return ReadTag(); }

TValueType TReader::NextValue() { return static_cast<TValueType>(PeekByte()); }

void TReader::CheckValue(TValueType expected) {
  if (ReadTag() != expected) InvalidValue();
}

bool TReader::EndOfList() { return PeekByte() == static_cast<uint8_t>(TValueType::vaNull); }

int32_t TReader::ReadInteger() {
  CheckValue(TValueType::vaInt32);
  int32_t v;
  std::memcpy(&v, Take(4), 4);
  return v;
}

bool TReader::ReadBoolean() {
  TValueType t = ReadTag();
  if (t == TValueType::vaTrue) return true;
  if (t == TValueType::vaFalse) return false;
  InvalidValue();
}

void TReader::ReadStringInto(std::string& out) {
  TValueType t = ReadTag();
  if (t == TValueType::vaString) {
    const uint32_t n = ReadLength(1);
    if (FMemory) {
      out.assign(reinterpret_cast<const char*>(Take(n)), n);
    } else {
      out.resize(n);
      Read(out.data(), n);
    }
    return;
  }
  if (t == TValueType::vaWString) {
    std::wstring w(ReadLength(2), L'\0');
    Read(w.data(), static_cast<uint32_t>(w.size() * 2));
    out = WideToAnsi(w);
    return;
  }
  InvalidValue();
}

std::string TReader::ReadString() {
  std::string s;
  ReadStringInto(s);
  return s;
}

std::wstring TReader::ReadWideString() {
  TValueType t = ReadTag();
  if (t == TValueType::vaWString) {
    std::wstring w(ReadLength(2), L'\0');
    Read(w.data(), static_cast<uint32_t>(w.size() * 2));
    return w;
  }
  if (t == TValueType::vaString) {
    std::string s(ReadLength(1), '\0');
    Read(s.data(), static_cast<uint32_t>(s.size()));
    return AnsiToWide(s);
  }
  InvalidValue();
}

double TReader::ReadFloat() {
  TValueType t = ReadTag();
  if (t == TValueType::vaDouble) {
    double v;
    std::memcpy(&v, Take(8), 8);
    return v;
  }
  if (t == TValueType::vaInt32) {
    int32_t v;
    std::memcpy(&v, Take(4), 4);
    return v;
  }
  InvalidValue();
}

std::string TReader::ReadStr() {
  char buffer[256];
  return std::string(ReadName(buffer));
}

std::string TReader::ReadIdent() {
  CheckValue(TValueType::vaIdent);
  std::string s = ReadStr();
  if (s.empty()) InvalidValue();
  return s;
}

void TReader::ReadListBegin() { CheckValue(TValueType::vaList); }
void TReader::ReadListEnd() { CheckValue(TValueType::vaNull); }

std::vector<uint8_t> TReader::ReadBinary() {
  CheckValue(TValueType::vaBinary);
  std::vector<uint8_t> data(ReadLength(1));
  Read(data.data(), static_cast<uint32_t>(data.size()));
  return data;
}

void TReader::SkipValue() {
  if (++FDepth > kMaxDepth) throw EReadError("Stream nesting too deep");
  char name[256];
  switch (ReadTag()) {
    case TValueType::vaNull:
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil:
      break;
    case TValueType::vaInt32:
      (void)Take(4);
      break;
    case TValueType::vaDouble:
      (void)Take(8);
      break;
    case TValueType::vaString:
    case TValueType::vaBinary:
      FStream.Seek(ReadLength(1), soCurrent);
      break;
    case TValueType::vaWString:
      FStream.Seek(int64_t{ReadLength(2)} * 2, soCurrent);
      break;
    case TValueType::vaIdent:
      (void)ReadName(name);
      break;
    case TValueType::vaSet:
      while (!ReadName(name).empty()) {
      }
      break;
    case TValueType::vaList:
      while (!EndOfList()) SkipValue();
      ReadTag();
      break;
    case TValueType::vaObject:
      while (!EndOfList()) {
        (void)ReadName(name);
        SkipValue();
      }
      ReadTag();
      break;
    case TValueType::vaCollection:
      while (!EndOfList()) {
        ReadListBegin();
        while (!EndOfList()) {
          (void)ReadName(name);
          SkipValue();
        }
        ReadTag();
      }
      ReadTag();
      break;
  }
  --FDepth;
}

void TReader::ReadCollection(TCollection* collection) {
  CheckValue(TValueType::vaCollection);
  TUpdateScope scope(*collection);
  collection->Clear();
  while (!EndOfList()) {
    ReadListBegin();
    ReadProperties(collection->Add());
  }
  ReadListEnd();
}

// ---- properties ----

std::string TReader::TReadPath::Str() const {
  if (Text) return *Text;
  if (Parent) return Parent->Str() + "." + Name;
  return Instance ? Instance->GetNamePath() : std::string();
}

int TReader::TClassProps::Find(std::string_view name, size_t start) const noexcept {
  const size_t n = Names.size();
  for (size_t k = 0; k < n; ++k) {
    const size_t i = start + k < n ? start + k : start + k - n;
    // Our own writer spells every name as the table does: try the exact bytes first.
    if (Names[i].size() == name.size() &&
        (std::memcmp(Names[i].data(), name.data(), name.size()) == 0 || CompareText(Names[i], name) == 0))
      return static_cast<int>(i);
  }
  return -1;
}

const TReader::TClassProps& TReader::PropsOf(TClass cls) {
  for (size_t i = 0; i < FKnownCount; ++i)
    if (FKnown[i]->Class == cls) return *FKnown[i];
  // Class infos are static: their tables are made once and kept (and shared by every reader).
  static std::mutex lock;
  static std::vector<std::unique_ptr<TClassProps>> tables;
  const TClassProps* found = nullptr;
  {
    std::lock_guard<std::mutex> guard(lock);
    for (const auto& t : tables)
      if (t->Class == cls) {
        found = t.get();
        break;
      }
    if (!found) {
      auto c = std::make_unique<TClassProps>();
      c->Class = cls;
      // Base classes first, as GetPropList gives them; a name published again further down the
      // chain is read into the most derived declaration, as GetPropInfo finds it.
      for (const TPropInfo* prop : GetPropList(cls)) {
        const std::string_view name = prop->Name;
        const auto shadowed =
            std::find_if(c->Names.begin(), c->Names.end(), [&](std::string_view s) { return SameText(s, name); });
        if (shadowed != c->Names.end()) {
          const auto at = shadowed - c->Names.begin();
          c->Names.erase(shadowed);
          c->Props.erase(c->Props.begin() + at);
        }
        c->Props.push_back(prop);
        c->Names.push_back(name);
      }
      found = tables.emplace_back(std::move(c)).get();
    }
  }
  if (FKnownCount < FKnown.size()) FKnown[FKnownCount++] = found;
  return *found;
}

void TReader::ReadPropValue(TPersistent* instance, const TPropInfo& prop, const TReadPath& path) {
  auto needSetter = [](const void* fn) {
    if (!fn) InvalidValue();
  };
  char ident[256];
  switch (prop.Kind) {
    case TPropKind::Integer: {
      needSetter(reinterpret_cast<const void*>(prop.SetOrd));
      int32_t v = ReadInteger();
      prop.SetOrd(instance, v);
      return;
    }
    case TPropKind::Boolean: {
      needSetter(reinterpret_cast<const void*>(prop.SetOrd));
      bool v = ReadBoolean();
      prop.SetOrd(instance, v ? 1 : 0);
      return;
    }
    case TPropKind::Enum: {
      needSetter(reinterpret_cast<const void*>(prop.SetOrd));
      CheckValue(TValueType::vaIdent);
      const std::string_view name = ReadName(ident);
      if (name.empty()) InvalidValue();
      for (int i = 0; i < prop.IdentCount; ++i)
        if (SameText(prop.Idents[i], name)) {
          prop.SetOrd(instance, i);
          return;
        }
      InvalidValue();
    }
    case TPropKind::Set: {
      needSetter(reinterpret_cast<const void*>(prop.SetOrd));
      CheckValue(TValueType::vaSet);
      int64_t mask = 0;
      for (std::string_view name = ReadName(ident); !name.empty(); name = ReadName(ident)) {
        int found = -1;
        for (int i = 0; i < prop.IdentCount && i < 64; ++i)
          if (SameText(prop.Idents[i], name)) found = i;
        if (found < 0) InvalidValue();
        mask |= int64_t{1} << found;
      }
      prop.SetOrd(instance, mask);
      return;
    }
    case TPropKind::String: {
      needSetter(reinterpret_cast<const void*>(prop.SetStr));
      ReadStringInto(FText);
      prop.SetStr(instance, FText);
      return;
    }
    case TPropKind::WString: {
      needSetter(reinterpret_cast<const void*>(prop.SetWStr));
      std::wstring v = ReadWideString();
      prop.SetWStr(instance, v);
      return;
    }
    case TPropKind::Float: {
      needSetter(reinterpret_cast<const void*>(prop.SetFloat));
      double v = ReadFloat();
      prop.SetFloat(instance, v);
      return;
    }
    case TPropKind::Object: {
      CheckValue(TValueType::vaObject);
      TPersistent* obj = prop.GetObj ? prop.GetObj(instance) : nullptr;
      if (!obj) InvalidValue();
      ReadProperties(obj, TReadPath{nullptr, &path, prop.Name, nullptr});
      return;
    }
    case TPropKind::Collection: {
      TPersistent* obj = prop.GetObj ? prop.GetObj(instance) : nullptr;
      if (!obj || !obj->InheritsFrom(TCollection::StaticClass())) InvalidValue();
      ReadCollection(static_cast<TCollection*>(obj));
      return;
    }
    case TPropKind::Component: {
      needSetter(reinterpret_cast<const void*>(prop.SetComp));
      TValueType t = ReadTag();
      if (t == TValueType::vaNil) {
        prop.SetComp(instance, nullptr);
        return;
      }
      if (t != TValueType::vaIdent) InvalidValue();
      std::string name = ReadStr();
      if (name.empty()) InvalidValue();
      // Resolved once every component of the stream exists.
      FFixups.push_back(Fixup{instance, &prop, name, path.Str()});
      return;
    }
  }
}

// A name the property table does not know: the instance's DefineProperties may read it.
void TReader::ReadDefinedProperty(TPersistent* instance, std::string_view name) {
  std::string saved = std::exchange(FPropName, std::string(name));
  try {
    instance->DefineProperties(this);
  } catch (...) {
    FPropName = saved;
    throw;
  }
  bool found = FPropName.empty();
  FPropName = saved;
  if (!found) throw EReadError(Format("Property %s does not exist", std::string(name)));
}

void TReader::ReadProperties(TPersistent* instance) {
  ReadProperties(instance, TReadPath{nullptr, nullptr, nullptr, instance});
}

void TReader::ReadProperties(TPersistent* instance, const std::string& path) {
  ReadProperties(instance, TReadPath{&path, nullptr, nullptr, nullptr});
}

void TReader::ReadProperties(TPersistent* instance, const TReadPath& path) {
  if (++FDepth > kMaxDepth) throw EReadError("Stream nesting too deep");
  const TClassProps& table = PropsOf(instance->ClassType());
  // Which properties were given: a property given twice could free objects (a collection
  // cleared again) that earlier values still refer to, so it is refused.
  uint64_t seenBits[4] = {};
  std::vector<bool> seenMore;
  if (table.Props.size() > 256) seenMore.resize(table.Props.size());
  std::vector<std::string> defined;  // names read through DefineProperties
  size_t next = 0;
  char buffer[256];
  for (;;) {
    // The length byte of the next name; 0 is the end marker (vaNull).
    const uint8_t length = *Take(1);
    if (length == 0) break;
    std::string_view name;
    if (const uint8_t* p = InBlock(length)) {
      name = std::string_view(reinterpret_cast<const char*>(p), length);
    } else {
      Read(buffer, length);
      name = std::string_view(buffer, length);
    }
    try {
      const int index = table.Find(name, next);
      bool twice;
      if (index >= 0) {
        const size_t i = static_cast<size_t>(index);
        if (seenMore.empty()) {
          twice = (seenBits[i / 64] >> (i % 64)) & 1;
          seenBits[i / 64] |= uint64_t{1} << (i % 64);
        } else {
          twice = seenMore[i];
          seenMore[i] = true;
        }
      } else {
        twice = std::any_of(defined.begin(), defined.end(), [&](const std::string& s) { return SameText(s, name); });
        defined.emplace_back(name);
      }
      if (twice)
        throw EReadError(Format("Error reading %s.%s: Property %s is given twice", path.Str(), std::string(name),
                                std::string(name)));
      if (index >= 0) {
        next = static_cast<size_t>(index) + 1;
        ReadPropValue(instance, *table.Props[static_cast<size_t>(index)], path);
      } else {
        ReadDefinedProperty(instance, name);
      }
    } catch (const Exception& e) {
      if (e.Message().rfind("Error reading ", 0) == 0) throw;
      throw EReadError(Format("Error reading %s.%s: %s", path.Str(), std::string(name), e.Message()));
    }
  }
  --FDepth;
}

void TReader::DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                             bool hasData) {
  (void)writeData;
  (void)hasData;
  if (FPropName.empty() || !readData || !SameText(name, FPropName)) return;
  FPropName.clear();
  readData(*this);
}

void TReader::DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc& writeData,
                                   bool hasData) {
  (void)writeData;
  (void)hasData;
  if (FPropName.empty() || !readData || !SameText(name, FPropName)) return;
  FPropName.clear();
  if (FMemory) {
    // The bytes stay where they are: the reader of the data gets a stream over the block.
    CheckValue(TValueType::vaBinary);
    const uint32_t n = ReadLength(1);
    TPointerStream s(Take(n), n);
    readData(s);
    return;
  }
  std::vector<uint8_t> data = ReadBinary();
  TPointerStream s(data.data(), data.size());
  readData(s);
}

void TReader::ReadComponentRecord(TComponent* parent, int depth) {
  if (depth > kMaxDepth) throw EReadError("Stream nesting too deep");
  std::string className = ReadStr();
  std::string name = ReadStr();
  TClass cls = GetClass(className);
  if (!cls) throw EReadError(Format("Class %s not found", className));
  if (!cls->InheritsFrom(TComponent::StaticClass()) || !cls->Factory)
    throw EReadError(Format("Class %s cannot be created from a stream", className));
  std::string path = name.empty() ? className : name;
  // A component the root already owns under this name (made by its constructor) is filled in place.
  TComponent* comp = name.empty() ? nullptr : FRoot->FindComponent(name);
  if (comp && comp->ClassType() != cls) throw EReadError(Format("A component named %s already exists", name));
  if (!comp) {
    comp = static_cast<TComponent*>(cls->Factory(FRoot));
    FCreated.push_back(comp);
    try {
      comp->SetName(name);
    } catch (const Exception& e) {
      throw EReadError(Format("Error reading %s: %s", path, e.Message()));
    }
  }
  if (std::find(FLoaded.begin(), FLoaded.end(), comp) != FLoaded.end())
    throw EReadError(Format("Error reading %s: the component is given twice", path));
  comp->SetComponentState(csLoading | csReading);
  FLoaded.push_back(comp);
  comp->SetParentComponent(parent);
  TReadStateScope reading(comp);
  ReadProperties(comp, path);
  while (!EndOfList()) ReadComponentRecord(comp, depth + 1);
  ReadTag();
}

void TReader::ResolveFixups() {
  for (const Fixup& f : FFixups) {
    TComponent* target = SameText(f.Name, FRoot->Name()) ? FRoot : FRoot->FindComponent(f.Name);
    if (!target) throw EReadError(Format("Error reading %s.%s: Component %s not found", f.Path, f.Prop->Name, f.Name));
    try {
      f.Prop->SetComp(f.Instance, target);
    } catch (const Exception& e) {
      throw EReadError(Format("Error reading %s.%s: %s", f.Path, f.Prop->Name, e.Message()));
    }
  }
  FFixups.clear();
}

void TReader::AbortRead(TComponent* root) noexcept {
  // Take back what this read created; what existed before is left as it is now. A component
  // may already be gone with another (a control dies with its parent, and an existing control
  // may have been put into a created one): only those the root still owns are touched.
  auto ownedByRoot = [root](const TComponent* c) {
    for (int i = 0, n = root->ComponentCount(); i < n; ++i)
      if (root->Components(i) == c) return true;
    return false;
  };
  for (auto it = FCreated.rbegin(); it != FCreated.rend(); ++it)
    if (ownedByRoot(*it)) delete *it;
  for (TComponent* c : FLoaded)
    if (c != root && ownedByRoot(c)) c->SetComponentState(0, csLoading | csReading);
  root->SetComponentState(0, csLoading | csReading);
  FLoaded.clear();
  FCreated.clear();
  FFixups.clear();
}

void TReader::ReadRootComponent(TComponent* root) {
  FRoot = root;
  FLoaded.clear();
  FCreated.clear();
  FFixups.clear();
  FDepth = 0;
  try {
    char sig[4];
    Read(sig, 4);
    if (std::memcmp(sig, kFilerSignature, 4) != 0) throw EReadError("Invalid stream format");
    std::string className = ReadStr();
    std::string name = ReadStr();
    TClass stored = GetClass(className);
    if (!SameText(className, root->ClassName()) && !(stored && root->InheritsFrom(stored)))
      throw EReadError(Format("Invalid stream format: a %s cannot be read into a %s", className, root->ClassName()));
    root->SetComponentState(csLoading | csReading);
    FLoaded.push_back(root);
    if (root->Name().empty() && !name.empty()) {
      try {
        root->SetName(name);
      } catch (const Exception& e) {
        throw EReadError(Format("Error reading %s: %s", name, e.Message()));
      }
    }
    std::string path = root->Name().empty() ? root->ClassName() : root->Name();
    {
      TReadStateScope reading(root);
      ReadProperties(root, path);
      while (!EndOfList()) ReadComponentRecord(root, 1);
      ReadTag();
    }
    ResolveFixups();
  } catch (const EFilerError&) {
    AbortRead(root);
    throw;
  } catch (const Exception& e) {
    // A setter, a constructor or a name check failed: report it as a reading error.
    AbortRead(root);
    throw EReadError(e.Message());
  } catch (...) {
    AbortRead(root);
    throw;
  }
  std::vector<TComponent*> loaded;
  loaded.swap(FLoaded);
  FCreated.clear();
  for (TComponent* c : loaded) c->SetComponentState(0, csReading);
  for (size_t i = 0; i < loaded.size(); ++i) {
    try {
      loaded[i]->Loaded();
    } catch (...) {
      for (size_t k = i; k < loaded.size(); ++k) loaded[k]->SetComponentState(0, csLoading);
      throw;
    }
    loaded[i]->SetComponentState(0, csLoading);
  }
}

// ---------------------------------------------------------------------------------------------
// Entry points

void WriteComponent(TStream& stream, TComponent* root) {
  TWriter writer(stream);
  writer.WriteRootComponent(root);
}

TComponent* ReadComponent(TStream& stream, TComponent* instance, TComponent* owner) {
  if (instance) {
    TReader reader(stream);
    reader.ReadRootComponent(instance);
    return instance;
  }
  // Create the root by its stored class name, then read into it.
  int64_t start = stream.Position();
  std::string className;
  {
    char sig[4];
    uint8_t n = 0;
    if (stream.Read(sig, 4) != 4 || std::memcmp(sig, kFilerSignature, 4) != 0 || stream.Read(&n, 1) != 1)
      throw EReadError("Invalid stream format");
    className.resize(n);
    if (n && stream.Read(className.data(), n) != n) throw EReadError(kReadError);
  }
  stream.SetPosition(start);
  TClass cls = GetClass(className);
  if (!cls) throw EReadError(Format("Class %s not found", className));
  if (!cls->InheritsFrom(TComponent::StaticClass()) || !cls->Factory)
    throw EReadError(Format("Class %s cannot be created from a stream", className));
  auto* root = static_cast<TComponent*>(cls->Factory(owner));
  try {
    TReader reader(stream);
    reader.ReadRootComponent(root);
  } catch (...) {
    delete root;
    throw;
  }
  return root;
}

void TStream::WriteComponent(TComponent* instance) { korv::WriteComponent(*this, instance); }

TComponent* TStream::ReadComponent(TComponent* instance) { return korv::ReadComponent(*this, instance); }

std::vector<uint8_t> ComponentToBytes(TComponent* root) {
  TMemoryStream m;
  WriteComponent(m, root);
  auto* p = static_cast<const uint8_t*>(m.Memory());
  return std::vector<uint8_t>(p, p + m.Size());
}

TComponent* ReadComponentFromMemory(const void* data, size_t size, TComponent* instance, TComponent* owner) {
  TPointerStream s(data, size);
  return ReadComponent(s, instance, owner);
}

TComponent* ReadComponentResource(HINSTANCE module, const std::string& resName, TComponent* instance,
                                  TComponent* owner) {
  TResourceStream s(module, resName, MAKEINTRESOURCEA(10));  // RT_RCDATA
  return ReadComponent(s, instance, owner);
}

void WriteComponentResFile(const std::string& fileName, const std::string& resName, TComponent* root) {
  std::vector<uint8_t> data = ComponentToBytes(root);
  TMemoryStream out;
  auto put16 = [&](uint16_t v) { out.WriteBuffer(&v, 2); };
  auto put32 = [&](uint32_t v) { out.WriteBuffer(&v, 4); };
  auto pad4 = [&] {
    static const char zeros[4] = {};
    if (out.Size() % 4) out.WriteBuffer(zeros, static_cast<int32_t>(4 - out.Size() % 4));
  };
  // The empty entry that starts every 32-bit resource file.
  put32(0);
  put32(32);
  put16(0xFFFF);
  put16(0);
  put16(0xFFFF);
  put16(0);
  put32(0);
  put16(0);
  put16(0);
  put32(0);
  put32(0);
  // The header: type RT_RCDATA by number, name as upper-case UTF-16, DWORD-aligned.
  std::wstring name = AnsiToWide(AnsiUpperCase(resName));
  uint32_t nameBytes = static_cast<uint32_t>((name.size() + 1) * 2);
  uint32_t headerSize = 8 + 4 + ((nameBytes + 3) & ~3u) + 16;
  put32(static_cast<uint32_t>(data.size()));
  put32(headerSize);
  put16(0xFFFF);
  put16(10);
  out.WriteBuffer(name.c_str(), static_cast<int32_t>(nameBytes));
  pad4();
  put32(0);       // data version
  put16(0x0030);  // memory flags: moveable, pure
  put16(0);       // language neutral
  put32(0);       // version
  put32(0);       // characteristics
  out.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  pad4();
  out.SaveToFile(fileName);
}

}  // namespace korv
