#include "shell/dragdrop/DragDrop.h"

#include <algorithm>
#include <cstring>

#include "classlib/Handles.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// TInterfacedComponent

KORV_DEFINE_CLASS(TInterfacedComponent, TComponent, nullptr, nullptr);

TInterfacedComponent::TInterfacedComponent(TComponent* owner) : TComponent(owner) {}

std::string GUIDToString(REFGUID id) {
  wchar_t buf[40] = {};
  int n = StringFromGUID2(id, buf, 40);
  return n > 1 ? WideToAnsi(std::wstring_view(buf, static_cast<size_t>(n - 1))) : std::string();
}

std::string GetInterfaceName(REFIID iid) {
  std::string guid = GUIDToString(iid);
  std::string name;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ("Interface\\" + guid).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    char buf[256];
    DWORD size = sizeof buf - 1, type = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
      buf[std::min<DWORD>(size, sizeof buf - 1)] = 0;
      name = buf;  // up to the first zero
    }
    RegCloseKey(key);
  }
  return name.empty() ? guid : name;
}

bool TInterfacedComponent::GetInterface(REFIID iid, void** obj) noexcept {
  if (IsEqualIID(iid, IID_IUnknown)) {
    *obj = static_cast<IUnknown*>(this);
    return true;
  }
  return false;
}

HRESULT STDMETHODCALLTYPE TInterfacedComponent::QueryInterface(REFIID iid, void** obj) {
  if (!obj) return E_POINTER;
  *obj = nullptr;
  HRESULT hr = E_NOINTERFACE;
  try {
    // The class library's COM-object link is not part of this library: only the own table.
    if (GetInterface(iid, obj) && *obj) {
      static_cast<IUnknown*>(*obj)->AddRef();
      hr = S_OK;
    } else {
      *obj = nullptr;
    }
#ifndef NDEBUG
    std::string line = Format("%s.QueryInterface(%s): %d (%d)", ClassName(), GetInterfaceName(iid),
                              static_cast<int>(hr), *obj ? 1 : 0);
    OutputDebugStringA(line.c_str());
#endif
  } catch (...) {
    // Only the debug line can raise; the answer stands.
  }
  return hr;
}

IUnknown* TInterfacedComponent::OwnerUnknown() const noexcept {
  TComponent* owner = Owner();
  if (!owner) return nullptr;
  // A drag-and-drop component has several IUnknown bases: take the one it answers with.
  if (auto* ic = dynamic_cast<TInterfacedComponent*>(owner)) return ic->AsUnknown();
  return dynamic_cast<IUnknown*>(owner);
}

ULONG STDMETHODCALLTYPE TInterfacedComponent::AddRef() {
  if (IUnknown* unk = OwnerUnknown()) return unk->AddRef();
  return static_cast<ULONG>(-1);
}

ULONG STDMETHODCALLTYPE TInterfacedComponent::Release() {
  if (IUnknown* unk = OwnerUnknown()) return unk->Release();
  return static_cast<ULONG>(-1);
}

// ---------------------------------------------------------------------------------------------
// TDragDropComponent

KORV_DEFINE_CLASS(TDragDropComponent, TInterfacedComponent, nullptr, nullptr);

TDragDropComponent::TDragDropComponent(TComponent* owner, std::unique_ptr<TDataFormats> dataFormats)
    : TInterfacedComponent(owner),
      FDataFormats(dataFormats ? std::move(dataFormats) : std::make_unique<TDataFormats>()) {}

TDragDropComponent::~TDragDropComponent() = default;

// ---------------------------------------------------------------------------------------------
// TClipboardFormat

const TClassInfo TClipboardFormat::ClassInfo{"TClipboardFormat", &TObject::ClassInfo, nullptr, nullptr};

TClipboardFormat::TClipboardFormat(DWORD tymed) noexcept {
  FFormatEtc.cfFormat = 0;
  FFormatEtc.ptd = nullptr;
  FFormatEtc.dwAspect = DVASPECT_CONTENT;
  FFormatEtc.lindex = -1;
  FFormatEtc.tymed = tymed;
}

TClipboardFormat::TClipboardFormat(const FORMATETC& formatEtc) noexcept
    : FFormatEtc(formatEtc), FFormatResolved(true) {}

const FORMATETC& TClipboardFormat::FormatEtc() {
  if (!FFormatResolved) {
    FFormatEtc.cfFormat = GetClipboardFormat();
    FFormatResolved = true;
  }
  return FFormatEtc;
}

bool TClipboardFormat::DoGetData(IDataObject*, const STGMEDIUM&) { return false; }
bool TClipboardFormat::DoSetData(const FORMATETC&, STGMEDIUM&) { return false; }

CLIPFORMAT TClipboardFormat::GetClipboardFormat() {
  throw Exception(Format("Internal error: %s.%s needs implementation", ClassName(), "GetClipboardFormat"));
}

void TClipboardFormat::SetClipboardFormat(CLIPFORMAT id) {
  FFormatEtc.cfFormat = id;
  FFormatResolved = true;
}

std::string TClipboardFormat::GetClipboardFormatName() {
  char buf[256];
  int n = ::GetClipboardFormatNameA(FormatEtc().cfFormat, buf, 255);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

void TClipboardFormat::SetClipboardFormatName(const std::string&) {
  throw Exception(Format("%s.ClipboardFormat is read-only", ClassName()));
}

bool TClipboardFormat::HasValidFormats(IDataObject* dataObject) {
  if (!dataObject) return false;
  FORMATETC fe = FormatEtc();
  return dataObject->QueryGetData(&fe) == S_OK;
}

bool TClipboardFormat::AcceptFormat(const FORMATETC& formatEtc) {
  const FORMATETC& own = FormatEtc();
  return formatEtc.cfFormat == own.cfFormat && formatEtc.ptd == nullptr && formatEtc.dwAspect == own.dwAspect &&
         TymedShares(formatEtc.tymed, own.tymed);
}

bool TClipboardFormat::GetData(IDataObject* dataObject) {
  Clear();
  if (!dataObject) return false;
  FORMATETC fe = FormatEtc();
  TStgMedium medium;
  if (dataObject->GetData(&fe, &medium.M) != S_OK) {
    ZeroMedium(medium.M);  // a failed call leaves no medium to release
    return false;
  }
  STGMEDIUM m = medium.M;
  ZeroMedium(medium.M);
  return GetDataFromMedium(dataObject, m);
}

bool TClipboardFormat::ReadFromMedium(IDataObject* dataObject, const STGMEDIUM& medium) {
  Clear();
  if (!TymedShares(medium.tymed, FormatEtc().tymed)) return false;
  return DoGetData(dataObject, medium);
}

bool TClipboardFormat::GetDataFromMedium(IDataObject* dataObject, STGMEDIUM& medium) {
  bool ok = false;
  try {
    ok = ReadFromMedium(dataObject, medium);
  } catch (...) {
    ReleaseStgMedium(&medium);
    ZeroMedium(medium);
    throw;
  }
  ReleaseStgMedium(&medium);
  ZeroMedium(medium);
  return ok;
}

bool TClipboardFormat::SetData(const FORMATETC& formatEtc, STGMEDIUM& medium) {
  ZeroMedium(medium);
  const FORMATETC& own = FormatEtc();
  if (formatEtc.cfFormat != own.cfFormat || formatEtc.dwAspect != own.dwAspect ||
      !TymedShares(formatEtc.tymed, own.tymed))
    return false;
  return DoSetData(formatEtc, medium);
}

bool TClipboardFormat::SetDataOnObject(IDataObject* dataObject, const FORMATETC& formatEtc, STGMEDIUM& medium) {
  bool ok = false;
  try {
    ok = dataObject && SetData(formatEtc, medium);
    if (ok) {
      FORMATETC fe = FormatEtc();
      ok = dataObject->SetData(&fe, &medium, TRUE) == S_OK;
      if (ok) ZeroMedium(medium);  // the data object owns it now
    }
  } catch (...) {
    ReleaseStgMedium(&medium);
    ZeroMedium(medium);
    throw;
  }
  if (!ok) {
    ReleaseStgMedium(&medium);
    ZeroMedium(medium);
  }
  return ok;
}

bool TClipboardFormat::Assign(TCustomDataFormat*) { return false; }
bool TClipboardFormat::AssignTo(TCustomDataFormat*) { return false; }
bool TClipboardFormat::HasData() { return true; }

void TClipboardFormat::UnregisterClipboardFormat(TClass cls) {
  if (TDataFormatMap* map = TDataFormatMap::Existing()) map->DeleteByClipboardFormat(cls);
}

CLIPFORMAT RegisterFormatName(const char* name) {
  UINT id = RegisterClipboardFormatA(name);
  if (id > 0xFFFF) throw ERangeError("Range check error");
  return static_cast<CLIPFORMAT>(id);
}

// ---------------------------------------------------------------------------------------------
// TClipboardFormats

KORV_DEFINE_CLASS(TClipboardFormats, TObject, nullptr, nullptr);

TClipboardFormats::~TClipboardFormats() { Clear(); }

int TClipboardFormats::Add(TClipboardFormat* format) {
  FList.push_back(format);
  if (FOwnsObjects && FDataFormat && format) format->SetDataFormat(FDataFormat);
  return Count() - 1;
}

TClipboardFormat* TClipboardFormats::FindFormat(TClass cls) const noexcept {
  for (TClipboardFormat* f : FList)
    if (f && f->InheritsFrom(cls)) return f;
  return nullptr;
}

TClipboardFormat* TClipboardFormats::Formats(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return FList[static_cast<size_t>(index)];
}

void TClipboardFormats::Clear() {
  if (FOwnsObjects) {
    while (!FList.empty()) {
      TClipboardFormat* f = FList.back();
      FList.pop_back();
      delete f;
    }
  }
  FList.clear();
}

// ---------------------------------------------------------------------------------------------
// TCustomDataFormat

const TClassInfo TCustomDataFormat::ClassInfo{"TCustomDataFormat", &TObject::ClassInfo, nullptr, nullptr};

TCustomDataFormat::TCustomDataFormat(TComponent* owner, TClass cls) {
  TDragDropComponent* source = nullptr;
  if (owner) {
    source = dynamic_cast<TDragDropComponent*>(owner);
    if (!source || !source->IsDropMultiSource() || !source->DataFormats())
      throw Exception(Format("%s is not a valid owner for %s. Owner must be derived from %s", owner->ClassName(),
                             cls->ClassName(), "TCustomDropMultiSource or TCustomDropMultiTarget"));
  }
  FOwnerKind = source ? fsSource : fsTarget;
  FCompatibleFormats = std::make_unique<TClipboardFormats>(this, true);
  TDataFormatMap::Instance().CreateCompatibleFormats(cls, *FCompatibleFormats, FOwnerKind);
  if (source) {
    FOwner = source;
    source->DataFormats()->Add(this);
  }
}

TCustomDataFormat::~TCustomDataFormat() {
  FCompatibleFormats.reset();
  if (FOwner && FOwner->DataFormats()) FOwner->DataFormats()->Remove(this);
}

void TCustomDataFormat::Changing() {
  if (OnChanging) OnChanging(this);
}

bool TCustomDataFormat::Assign(TClipboardFormat* clipboardFormat) {
  return clipboardFormat && clipboardFormat->AssignTo(this);
}

bool TCustomDataFormat::AssignTo(TClipboardFormat* clipboardFormat) {
  return clipboardFormat && clipboardFormat->Assign(this);
}

TRenderResult TCustomDataFormat::RenderData(TClipboardFormat*, const FORMATETC&, STGMEDIUM&) { return rrPass; }

bool TCustomDataFormat::GetData(IDataObject* dataObject) {
  bool result = false;
  for (int i = 0; i < FCompatibleFormats->Count() && NeedsData(); ++i) {
    TClipboardFormat* f = FCompatibleFormats->Formats(i);
    f->Clear();
    if (f->GetData(dataObject) && f->HasData() && Assign(f)) {
      f->Clear();
      result = true;
    }
  }
  return result;
}

bool TCustomDataFormat::NeedsData() { return !HasData(); }

bool TCustomDataFormat::HasValidFormats(IDataObject* dataObject) {
  for (int i = 0; i < FCompatibleFormats->Count(); ++i)
    if (FCompatibleFormats->Formats(i)->HasValidFormats(dataObject)) return true;
  return false;
}

bool TCustomDataFormat::AcceptFormat(const FORMATETC& formatEtc) {
  for (int i = 0; i < FCompatibleFormats->Count(); ++i)
    if (FCompatibleFormats->Formats(i)->AcceptFormat(formatEtc)) return true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// TDataFormats

KORV_DEFINE_CLASS(TDataFormats, TObject, nullptr, nullptr);

TDataFormats::~TDataFormats() {
  while (!FList.empty()) {
    TCustomDataFormat* f = FList.back();
    TDataFormats::Remove(f);
    if (f && f->FOwner && f->FOwner->DataFormats() == this) f->FOwner = nullptr;
  }
}

int TDataFormats::Add(TCustomDataFormat* dataFormat) {
  int i = IndexOf(dataFormat);
  if (i >= 0) return i;
  FList.push_back(dataFormat);
  return Count() - 1;
}

int TDataFormats::IndexOf(const TCustomDataFormat* dataFormat) const {
  auto it = std::find(FList.begin(), FList.end(), dataFormat);
  return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

void TDataFormats::Remove(TCustomDataFormat* dataFormat) {
  auto it = std::find(FList.begin(), FList.end(), dataFormat);
  if (it != FList.end()) FList.erase(it);
}

TCustomDataFormat* TDataFormats::Formats(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return FList[static_cast<size_t>(index)];
}

// ---------------------------------------------------------------------------------------------
// Registry singletons. They are created on first use and freed by the unit's shut-down; all of it
// runs on the thread that started OLE, so nothing is locked.

namespace {
TDataFormatClasses* gDataFormatClasses = nullptr;
TDataFormatMap* gDataFormatMap = nullptr;
}  // namespace

KORV_DEFINE_CLASS(TDataFormatClasses, TObject, nullptr, nullptr);

TDataFormatClasses& TDataFormatClasses::Instance() {
  if (!gDataFormatClasses) gDataFormatClasses = new TDataFormatClasses();
  return *gDataFormatClasses;
}
TDataFormatClasses* TDataFormatClasses::Existing() noexcept { return gDataFormatClasses; }
void TDataFormatClasses::FreeInstance() noexcept { FreeAndNil(gDataFormatClasses); }

void TDataFormatClasses::Add(TClass cls) {
  if (cls && std::find(FList.begin(), FList.end(), cls) == FList.end()) FList.push_back(cls);
}

void TDataFormatClasses::Remove(TClass cls) {
  auto it = std::find(FList.begin(), FList.end(), cls);
  if (it != FList.end()) FList.erase(it);
}

KORV_DEFINE_CLASS(TDataFormatMap, TObject, nullptr, nullptr);

TDataFormatMap& TDataFormatMap::Instance() {
  if (!gDataFormatMap) gDataFormatMap = new TDataFormatMap();
  return *gDataFormatMap;
}
TDataFormatMap* TDataFormatMap::Existing() noexcept { return gDataFormatMap; }
void TDataFormatMap::FreeInstance() noexcept { FreeAndNil(gDataFormatMap); }

void TDataFormatMap::Add(TClass dataFormatClass, TClass clipboardFormatClass, int32_t priority, TFormatScopes scopes,
                         TDataDirections directions) {
  if (!dataFormatClass || !clipboardFormatClass) return;
  auto found = std::find_if(FList.begin(), FList.end(), [&](const TDataFormatMapEntry& e) {
    return e.DataFormatClass->InheritsFrom(dataFormatClass) &&
           e.ClipboardFormatClass->InheritsFrom(clipboardFormatClass);
  });
  TDataFormatMapEntry entry{};
  if (found != FList.end()) {
    entry = *found;
    FList.erase(found);
    entry.Scopes |= scopes;
    entry.Directions |= directions;
  } else {
    entry.Scopes = scopes;
    entry.Directions = directions;
  }
  entry.DataFormatClass = dataFormatClass;
  entry.ClipboardFormatClass = clipboardFormatClass;
  entry.Priority = priority;

  // The nearest entry of exactly this data-format class, searching backwards from the end.
  int j = Count() - 1;
  while (j >= 0 && FList[static_cast<size_t>(j)].DataFormatClass != dataFormatClass) --j;
  if (j < 0) {
    FList.push_back(entry);
    return;
  }
  // Walk back through the unbroken run of that class: after the last lower priority, else
  // before the run.
  int k = j;
  int insertAt = -1;
  while (k >= 0 && FList[static_cast<size_t>(k)].DataFormatClass == dataFormatClass) {
    if (FList[static_cast<size_t>(k)].Priority < priority) {
      insertAt = k + 1;
      break;
    }
    --k;
  }
  if (insertAt < 0) insertAt = k + 1;
  FList.insert(FList.begin() + insertAt, entry);
}

void TDataFormatMap::DeleteByDataFormat(TClass cls) {
  std::erase_if(FList, [&](const TDataFormatMapEntry& e) { return e.DataFormatClass->InheritsFrom(cls); });
}

void TDataFormatMap::DeleteByClipboardFormat(TClass cls) {
  std::erase_if(FList, [&](const TDataFormatMapEntry& e) { return e.ClipboardFormatClass->InheritsFrom(cls); });
}

void TDataFormatMap::CreateCompatibleFormats(TClass dataFormatClass, TClipboardFormats& list, TFormatScope kind) const {
  list.Clear();
  for (const TDataFormatMapEntry& e : FList) {
    if (!(e.Scopes & kind) || !e.DataFormatClass->InheritsFrom(dataFormatClass)) continue;
    if (!e.ClipboardFormatClass->Factory)
      throw Exception(Format("%s can not be instantiated", e.ClipboardFormatClass->ClassName()));
    std::unique_ptr<TObject> obj(e.ClipboardFormatClass->Factory(nullptr));
    auto* format = dynamic_cast<TClipboardFormat*>(obj.get());
    if (!format) continue;
    format->DataDirections = e.Directions;
    list.Add(format);
    obj.release();
    if (!list.OwnsObjects()) delete format;  // a non-owning list cannot keep a new object
  }
}

void RegisterDataFormat(TClass cls) { TDataFormatClasses::Instance().Add(cls); }

void UnregisterDataFormat(TClass cls) {
  if (TDataFormatMap* map = TDataFormatMap::Existing()) map->DeleteByDataFormat(cls);
  if (TDataFormatClasses* classes = TDataFormatClasses::Existing()) classes->Remove(cls);
}

void RegisterCompatibleFormat(TClass dataFormatClass, TClass clipboardFormatClass, int32_t priority,
                              TFormatScopes scopes, TDataDirections directions) {
  TDataFormatMap::Instance().Add(dataFormatClass, clipboardFormatClass, priority, scopes, directions);
}

// ---------------------------------------------------------------------------------------------
// Raw formats

namespace {
TObject* CreateRawClipboardFormatDefault(TObject*) {
  throw Exception(Format("The %s class can not be instantiated with the default constructor", "TRawClipboardFormat"));
}
}  // namespace

KORV_DEFINE_CLASS(TRawClipboardFormat, TClipboardFormat, &CreateRawClipboardFormatDefault, nullptr);

TRawClipboardFormat::TRawClipboardFormat(const FORMATETC& formatEtc) noexcept : TClipboardFormat(formatEtc) {
  ZeroMedium(FMedium);
}

TRawClipboardFormat::~TRawClipboardFormat() { TRawClipboardFormat::Clear(); }

CLIPFORMAT TRawClipboardFormat::GetClipboardFormat() { return FFormatEtc.cfFormat; }

void TRawClipboardFormat::SetClipboardFormatName(const std::string& name) {
  SetClipboardFormat(RegisterFormatName(name.c_str()));
}

bool TRawClipboardFormat::Assign(TCustomDataFormat* dataFormat) {
  if (dataFormat && dataFormat->InheritsFrom(TRawDataFormat::StaticClass())) return true;
  return TClipboardFormat::Assign(dataFormat);
}

bool TRawClipboardFormat::AssignTo(TCustomDataFormat* dataFormat) {
  if (dataFormat && dataFormat->InheritsFrom(TRawDataFormat::StaticClass())) return true;
  return TClipboardFormat::AssignTo(dataFormat);
}

void TRawClipboardFormat::Clear() {
  if (FMedium.tymed != TYMED_NULL) ReleaseStgMedium(&FMedium);
  ZeroMedium(FMedium);
}

bool TRawClipboardFormat::DoGetData(IDataObject*, const STGMEDIUM& medium) {
  Clear();
  return CopyStgMedium(medium, FMedium);
}

bool TRawClipboardFormat::DoSetData(const FORMATETC&, STGMEDIUM& medium) {
  if (FMedium.tymed == TYMED_NULL) return false;
  return CopyStgMedium(FMedium, medium);
}

KORV_DEFINE_CLASS(TRawDataFormat, TCustomDataFormat, &CreateDataFormat<TRawDataFormat>, nullptr);

void TRawDataFormat::Clear() {
  Changing();
  for (int i = 0; i < CompatibleFormats().Count(); ++i) CompatibleFormats().Formats(i)->Clear();
}

bool TRawDataFormat::HasData() {
  for (int i = 0; i < CompatibleFormats().Count(); ++i)
    if (CompatibleFormats().Formats(i)->HasData()) return true;
  return false;
}

bool TRawDataFormat::NeedsData() {
  for (int i = 0; i < CompatibleFormats().Count(); ++i)
    if (!CompatibleFormats().Formats(i)->HasData()) return true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// CopyStgMedium

namespace {
using TCopyStgMediumProc = HRESULT(WINAPI*)(const STGMEDIUM*, STGMEDIUM*);

struct TUrlmon {
  bool Tried = false;
  HMODULE Module = nullptr;  // kept for the life of the process
  TCopyStgMediumProc Proc = nullptr;
};

// Global memory in a block of its own, byte for byte (the whole block: the owner's data may
// use every byte of it).
HGLOBAL CopyGlobalMemory(HGLOBAL source) noexcept {
  const SIZE_T size = source ? GlobalSize(source) : 0;
  if (size == 0) return nullptr;
  const void* from = GlobalLock(source);
  if (!from) return nullptr;
  TUniqueHGlobal copy(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, size));
  void* to = copy ? GlobalLock(copy.Get()) : nullptr;
  if (to) {
    std::memcpy(to, from, size);
    GlobalUnlock(copy.Get());
  }
  GlobalUnlock(source);
  return to ? copy.Release() : nullptr;
}

TUrlmon& Urlmon() noexcept {
  static TUrlmon u;
  if (!u.Tried) {
    u.Tried = true;
    u.Module = LoadLibraryA("URLMON.DLL");
    if (u.Module)
      u.Proc = reinterpret_cast<TCopyStgMediumProc>(reinterpret_cast<void*>(GetProcAddress(u.Module, "CopyStgMedium")));
  }
  return u;
}
}  // namespace

bool CopyStgMediumAvailable() noexcept { return Urlmon().Proc != nullptr; }

bool CopyStgMedium(const STGMEDIUM& source, STGMEDIUM& dest) noexcept {
  ZeroMedium(dest);
  // The platform "copies" GDI objects and metafiles by sharing the handle, which both owners
  // would then delete: those media have no copy here.
  switch (source.tymed) {
    case TYMED_NULL:
    case TYMED_HGLOBAL:
    case TYMED_ISTREAM:
    case TYMED_ISTORAGE:
    case TYMED_FILE:
      break;
    default:
      return false;
  }
  // Global memory is copied here: the platform's copy brings the source's pUnkForRelease along
  // (whether with a reference of its own is not documented), and ReleaseStgMedium frees no
  // memory that has one, so that copy would leak its block. This copy owns its block.
  if (source.tymed == TYMED_HGLOBAL) {
    HGLOBAL copy = CopyGlobalMemory(source.hGlobal);
    if (!copy) return false;
    dest.tymed = TYMED_HGLOBAL;
    dest.hGlobal = copy;
    dest.pUnkForRelease = nullptr;
    return true;
  }
  TCopyStgMediumProc proc = Urlmon().Proc;
  if (!proc) return false;
  if (proc(&source, &dest) != S_OK) {
    // A failed copy may hold the source's own handles (the platform starts with a plain copy of
    // the record): nothing of it is released here.
    ZeroMedium(dest);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Start-up and shut-down

namespace {
int gDragDropUnitCount = 0;
bool gOleStarted = false;
}  // namespace

void DragDropStartup() {
  if (gDragDropUnitCount++ != 0) return;
  HRESULT hr = OleInitialize(nullptr);
  gOleStarted = SUCCEEDED(hr);
}

void DragDropShutdown() {
  if (gDragDropUnitCount <= 0 || --gDragDropUnitCount != 0) return;
  TDataFormatMap::FreeInstance();
  TDataFormatClasses::FreeInstance();
  if (gOleStarted) OleUninitialize();
  gOleStarted = false;
}

}  // namespace korv
