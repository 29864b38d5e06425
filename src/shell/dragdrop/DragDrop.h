// Data formats and clipboard formats, the process-wide registry that pairs them, the raw
// pass-through format, the component bases that own data formats, and OLE start-up.
//
// A data format (TCustomDataFormat) is what a component holds: a list of files, a text, the
// drop-effect feedback. A clipboard format (TClipboardFormat) is one registered clipboard format
// id with its byte layout in a storage medium. Each data format gets its compatible clipboard
// formats from TDataFormatMap when it is created.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"

namespace korv {

class TClipboardFormat;
class TCustomDataFormat;
class TDataFormats;

// Bit sets of a clipboard format: offered for reading (DATADIR_GET) and/or writing (DATADIR_SET).
enum TDataDirection : uint8_t { ddGet = 1, ddSet = 2 };
using TDataDirections = uint8_t;

// Bit sets of a registry entry: used when the data format belongs to a drop source, or to a drop
// target / no component.
enum TFormatScope : uint8_t { fsSource = 1, fsTarget = 2 };
using TFormatScopes = uint8_t;

[[nodiscard]] inline bool TymedShares(DWORD a, DWORD b) noexcept { return (a & b) != 0; }

// The platform's record as it travels: every field and the medium owned by it are released with
// ReleaseStgMedium. A zeroed medium (tymed 0) owns nothing.
inline void ZeroMedium(STGMEDIUM& m) noexcept { ZeroMemory(&m, sizeof m); }

// An owned STGMEDIUM: released when it goes out of scope.
class [[nodiscard]] TStgMedium {
 public:
  TStgMedium() noexcept { ZeroMedium(M); }
  TStgMedium(const TStgMedium&) = delete;
  TStgMedium& operator=(const TStgMedium&) = delete;
  ~TStgMedium() { Reset(); }
  void Reset() noexcept {
    if (M.tymed != TYMED_NULL) ReleaseStgMedium(&M);
    ZeroMedium(M);
  }
  STGMEDIUM M;
};

// ---------------------------------------------------------------------------------------------
// Components

// IUnknown for the drag-and-drop components. QueryInterface answers from GetInterface (the
// object's own interface table); AddRef and Release are forwarded to an owner that is itself a
// COM object, and otherwise return -1: the component lives as long as a component does, not as
// long as its interface references.
//
// A descendant that adds COM interfaces (and with them further IUnknown bases) puts
// KORV_INTERFACED_IUNKNOWN(Base) in its class body so that one implementation serves them all,
// and overrides GetInterface to hand out its interfaces.
class TInterfacedComponent : public TComponent, public IUnknown {
  KORV_CLASS(TInterfacedComponent, TComponent)
 public:
  explicit TInterfacedComponent(TComponent* owner);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** obj) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // This component as IUnknown.
  [[nodiscard]] IUnknown* AsUnknown() noexcept { return static_cast<IUnknown*>(this); }

 protected:
  // Sets *obj to the interface (without a reference) and returns true when the object has it.
  virtual bool GetInterface(REFIID iid, void** obj) noexcept;

 private:
  [[nodiscard]] IUnknown* OwnerUnknown() const noexcept;
};

#define KORV_INTERFACED_IUNKNOWN(Base)                                                                                 \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** obj) override { return Base::QueryInterface(iid, obj); } \
  ULONG STDMETHODCALLTYPE AddRef() override { return Base::AddRef(); }                                                 \
  ULONG STDMETHODCALLTYPE Release() override { return Base::Release(); }

// The interface's name as the system registers it (HKEY_CLASSES_ROOT\Interface\{iid}), or the
// GUID text when it has none.
[[nodiscard]] std::string GetInterfaceName(REFIID iid);
// "{xxxxxxxx-xxxx-...}"
[[nodiscard]] std::string GUIDToString(REFGUID id);

// A component that owns data formats. The list is created by the constructor; a descendant that
// needs a list of its own kind passes it in, so that it exists before any data format is made.
class TDragDropComponent : public TInterfacedComponent {
  KORV_CLASS(TDragDropComponent, TInterfacedComponent)
 public:
  explicit TDragDropComponent(TComponent* owner, std::unique_ptr<TDataFormats> dataFormats = nullptr);
  ~TDragDropComponent() override;

  [[nodiscard]] TDataFormats* DataFormats() const noexcept { return FDataFormats.get(); }

  // True for a multi-format drop source: only such a component may own data formats, which then
  // get the registry pairs of the source scope. The drop source overrides it.
  [[nodiscard]] virtual bool IsDropMultiSource() const noexcept { return false; }

 protected:
  std::unique_ptr<TDataFormats> FDataFormats;
};

// ---------------------------------------------------------------------------------------------
// Clipboard formats

class TClipboardFormat : public TObject {
  KORV_CLASS(TClipboardFormat, TObject)
 public:
  ~TClipboardFormat() override = default;

  TDataDirections DataDirections = ddGet;

  // The data format this format belongs to (not owned; nullptr for a free-standing format).
  [[nodiscard]] TCustomDataFormat* DataFormat() const noexcept { return FDataFormat; }
  void SetDataFormat(TCustomDataFormat* f) noexcept { FDataFormat = f; }

  // The FORMATETC this format answers to; its clipboard format id is resolved on first use.
  [[nodiscard]] const FORMATETC& FormatEtc();

  // Reads the medium into the format's own data.
  virtual bool DoGetData(IDataObject* dataObject, const STGMEDIUM& medium);
  // Renders the format's data into a new medium (which the caller then owns).
  virtual bool DoSetData(const FORMATETC& formatEtc, STGMEDIUM& medium);
  // The clipboard format id. The base raises "Internal error: %s.%s needs implementation".
  [[nodiscard]] virtual CLIPFORMAT GetClipboardFormat();
  virtual void SetClipboardFormat(CLIPFORMAT id);
  [[nodiscard]] virtual std::string GetClipboardFormatName();
  // The base raises "%s.ClipboardFormat is read-only".
  virtual void SetClipboardFormatName(const std::string& name);
  // The data object offers this format (QueryGetData answers S_OK).
  [[nodiscard]] virtual bool HasValidFormats(IDataObject* dataObject);
  // Same format id, no target device, same aspect and a shared tymed bit.
  [[nodiscard]] virtual bool AcceptFormat(const FORMATETC& formatEtc);
  // Clear, then GetData of this format from the data object and read it.
  virtual bool GetData(IDataObject* dataObject);
  // Clear, read a medium of a matching tymed; the medium is released in every case.
  virtual bool GetDataFromMedium(IDataObject* dataObject, STGMEDIUM& medium);
  // Renders into a new medium and hands it to DataObject.SetData (release = TRUE). On any
  // failure the medium is released.
  virtual bool SetDataOnObject(IDataObject* dataObject, const FORMATETC& formatEtc, STGMEDIUM& medium);
  // Takes the data of a data format / gives it to one; the base handles nothing.
  virtual bool Assign(TCustomDataFormat* dataFormat);
  virtual bool AssignTo(TCustomDataFormat* dataFormat);
  virtual void Clear() = 0;
  [[nodiscard]] virtual bool HasData();

  // Zeroes Medium; then, for a request of the same id and aspect with a shared tymed bit,
  // renders through DoSetData.
  bool SetData(const FORMATETC& formatEtc, STGMEDIUM& medium);
  // As GetDataFromMedium, but the medium stays the caller's (for SetData with fRelease FALSE and
  // for readers that release media themselves).
  bool ReadFromMedium(IDataObject* dataObject, const STGMEDIUM& medium);

  // Removes every registry pair whose clipboard-format class is cls or a descendant.
  static void UnregisterClipboardFormat(TClass cls);

 protected:
  // CreateFormat: id from GetClipboardFormat (resolved on first use), no target device,
  // DVASPECT_CONTENT, lindex -1, the given media.
  explicit TClipboardFormat(DWORD tymed) noexcept;
  // CreateFormatEtc: the whole record as given.
  explicit TClipboardFormat(const FORMATETC& formatEtc) noexcept;

  // Direct access for constructors of descendants (lindex of "FileContents" and the like).
  FORMATETC FFormatEtc{};
  bool FFormatResolved = false;

 private:
  TCustomDataFormat* FDataFormat = nullptr;
};

// Factory for the class infos of clipboard formats: KORV_DEFINE_CLASS(TFoo, TBar,
// &CreateClipboardFormat<TFoo>, nullptr).
template <class T>
TObject* CreateClipboardFormat(TObject* /*unused*/) {
  return new T();
}

// Registers a clipboard format name (RegisterClipboardFormatA); an id outside 16 bits raises
// ERangeError. Names are case-insensitive to the system.
[[nodiscard]] CLIPFORMAT RegisterFormatName(const char* name);

// An ordered list of clipboard formats, owning them or not.
class TClipboardFormats : public TObject {
  KORV_CLASS(TClipboardFormats, TObject)
 public:
  TClipboardFormats(TCustomDataFormat* dataFormat, bool ownsObjects) noexcept
      : FOwnsObjects(ownsObjects), FDataFormat(dataFormat) {}
  ~TClipboardFormats() override;

  // Appends; a list that owns its items and has a data format binds the format to it.
  int Add(TClipboardFormat* format);
  // The first item whose class is cls or a descendant, else nullptr.
  [[nodiscard]] TClipboardFormat* FindFormat(TClass cls) const noexcept;
  [[nodiscard]] bool Contains(TClass cls) const noexcept { return FindFormat(cls) != nullptr; }
  [[nodiscard]] int Count() const noexcept { return static_cast<int>(FList.size()); }
  [[nodiscard]] TClipboardFormat* Formats(int index) const;  // EListError out of range
  // Frees the items from last to first when it owns them, then empties the list.
  void Clear();
  [[nodiscard]] bool OwnsObjects() const noexcept { return FOwnsObjects; }
  [[nodiscard]] TCustomDataFormat* DataFormat() const noexcept { return FDataFormat; }

 private:
  std::vector<TClipboardFormat*> FList;
  bool FOwnsObjects;
  TCustomDataFormat* FDataFormat;
};

// ---------------------------------------------------------------------------------------------
// Data formats

// What a data format did with a request it may render itself (TCustomDataFormat::RenderData).
enum TRenderResult : uint8_t { rrPass, rrRendered, rrFailed };

class TCustomDataFormat : public TObject {
  KORV_CLASS(TCustomDataFormat, TObject)
 public:
  ~TCustomDataFormat() override;

  [[nodiscard]] TClipboardFormats& CompatibleFormats() const noexcept { return *FCompatibleFormats; }
  [[nodiscard]] TDragDropComponent* Owner() const noexcept { return FOwner; }
  // fsSource when owned by a drop source, fsTarget otherwise.
  [[nodiscard]] TFormatScope OwnerKind() const noexcept { return FOwnerKind; }

  TNotifyEvent OnChanging;

  // Calls OnChanging; every data format calls it before its data changes.
  virtual void Changing();
  virtual void Clear() = 0;
  // Takes the data of a clipboard format: by default the clipboard format's AssignTo(this).
  virtual bool Assign(TClipboardFormat* clipboardFormat);
  // Gives the data to a clipboard format: by default the clipboard format's Assign(this).
  virtual bool AssignTo(TClipboardFormat* clipboardFormat);
  // Renders the data for a request that ClipboardFormat, one of its compatible formats, accepts,
  // straight into a new medium, where that is cheaper than handing the data to the clipboard
  // format first (a large list written in place, a block kept from an earlier request): rrRendered
  // with Medium set, or rrFailed. The default, rrPass, leaves the request to AssignTo and the
  // clipboard format's SetData.
  virtual TRenderResult RenderData(TClipboardFormat* clipboardFormat, const FORMATETC& formatEtc, STGMEDIUM& medium);
  // Reads from the data object through the compatible formats while the data is still needed.
  virtual bool GetData(IDataObject* dataObject);
  [[nodiscard]] virtual bool HasData() = 0;
  [[nodiscard]] virtual bool NeedsData();
  [[nodiscard]] virtual bool HasValidFormats(IDataObject* dataObject);
  [[nodiscard]] virtual bool AcceptFormat(const FORMATETC& formatEtc);

 protected:
  // Owner may be nullptr; otherwise it must be a drop source (TDragDropComponent with
  // IsDropMultiSource), else "%s is not a valid owner for %s. Owner must be derived from %s" is
  // raised. cls is the class being created (a base constructor cannot ask the virtual ClassType):
  // the compatible formats are filled from the registry pairs of cls, and an owned format adds
  // itself to the owner's DataFormats.
  TCustomDataFormat(TComponent* owner, TClass cls);

 private:
  friend class TDataFormats;
  std::unique_ptr<TClipboardFormats> FCompatibleFormats;
  TDragDropComponent* FOwner = nullptr;
  TFormatScope FOwnerKind = fsTarget;
};

// Factory for the class infos of data formats: the argument is the owner component.
template <class T>
TObject* CreateDataFormat(TObject* owner) {
  return new T(dynamic_cast<TComponent*>(owner));
}

// The ordered list of data formats of one component; it does not own them.
class TDataFormats : public TObject {
  KORV_CLASS(TDataFormats, TObject)
 public:
  TDataFormats() = default;
  // Removes the items from last to first without freeing them; they forget their owner.
  ~TDataFormats() override;

  // The existing index when listed already, else appends.
  virtual int Add(TCustomDataFormat* dataFormat);
  [[nodiscard]] virtual int IndexOf(const TCustomDataFormat* dataFormat) const;
  virtual void Remove(TCustomDataFormat* dataFormat);
  [[nodiscard]] int Count() const noexcept { return static_cast<int>(FList.size()); }
  [[nodiscard]] TCustomDataFormat* Formats(int index) const;  // EListError out of range

 private:
  std::vector<TCustomDataFormat*> FList;
};

// ---------------------------------------------------------------------------------------------
// The registry

// Process-wide list of registered data-format classes (created on first use).
class TDataFormatClasses : public TObject {
  KORV_CLASS(TDataFormatClasses, TObject)
 public:
  [[nodiscard]] static TDataFormatClasses& Instance();
  [[nodiscard]] static TDataFormatClasses* Existing() noexcept;  // nullptr when not created
  static void FreeInstance() noexcept;

  void Add(TClass cls);  // no duplicates
  void Remove(TClass cls);
  [[nodiscard]] int Count() const noexcept { return static_cast<int>(FList.size()); }
  [[nodiscard]] TClass Items(int index) const { return FList.at(static_cast<size_t>(index)); }

 private:
  std::vector<TClass> FList;
};

struct TDataFormatMapEntry {
  TClass DataFormatClass;
  TClass ClipboardFormatClass;
  int32_t Priority;
  TFormatScopes Scopes;
  TDataDirections Directions;
};

// The pairs of data-format classes and clipboard-format classes, ordered by the rule of Add.
// The process-wide map is Instance(); tests may build maps of their own.
class TDataFormatMap : public TObject {
  KORV_CLASS(TDataFormatMap, TObject)
 public:
  TDataFormatMap() = default;
  [[nodiscard]] static TDataFormatMap& Instance();
  [[nodiscard]] static TDataFormatMap* Existing() noexcept;
  static void FreeInstance() noexcept;

  // An existing pair (classes equal or descendants) is re-registered: moved to the end with the
  // sets OR-ed in; otherwise a new entry is appended. The entry then goes into the run of entries
  // of its exact data-format class: just after the last one with a lower priority, or before the
  // whole run when none is lower (so among equal priorities the newer entry comes first).
  void Add(TClass dataFormatClass, TClass clipboardFormatClass, int32_t priority, TFormatScopes scopes,
           TDataDirections directions);
  // Deletes every entry whose data-format class is cls or a descendant.
  void DeleteByDataFormat(TClass cls);
  // Deletes every entry whose clipboard-format class is cls or a descendant.
  void DeleteByClipboardFormat(TClass cls);
  // Clears List and fills it, in map order, with a new clipboard format of each entry whose
  // Scopes hold the kind and whose data-format class is dataFormatClass or a descendant of it.
  void CreateCompatibleFormats(TClass dataFormatClass, TClipboardFormats& list, TFormatScope kind) const;

  [[nodiscard]] int Count() const noexcept { return static_cast<int>(FList.size()); }
  [[nodiscard]] const TDataFormatMapEntry& Items(int index) const { return FList.at(static_cast<size_t>(index)); }

 private:
  std::vector<TDataFormatMapEntry> FList;
};

void RegisterDataFormat(TClass cls);
// Deletes the map entries of cls and its descendants, then removes cls from the class list.
void UnregisterDataFormat(TClass cls);
void RegisterCompatibleFormat(TClass dataFormatClass, TClass clipboardFormatClass, int32_t priority,
                              TFormatScopes scopes, TDataDirections directions);

// ---------------------------------------------------------------------------------------------
// Raw formats: any medium a peer hands over, kept as it is.

class TRawClipboardFormat : public TClipboardFormat {
  KORV_CLASS(TRawClipboardFormat, TClipboardFormat)
 public:
  // The constructor without arguments raises "The %s class can not be instantiated with the
  // default constructor": a raw format exists only for a given FORMATETC.
  explicit TRawClipboardFormat(const FORMATETC& formatEtc) noexcept;
  ~TRawClipboardFormat() override;

  [[nodiscard]] CLIPFORMAT GetClipboardFormat() override;
  void SetClipboardFormatName(const std::string& name) override;
  bool Assign(TCustomDataFormat* dataFormat) override;
  bool AssignTo(TCustomDataFormat* dataFormat) override;
  [[nodiscard]] bool HasData() override { return FMedium.tymed != TYMED_NULL; }
  void Clear() override;
  bool DoGetData(IDataObject* dataObject, const STGMEDIUM& medium) override;
  bool DoSetData(const FORMATETC& formatEtc, STGMEDIUM& medium) override;

  [[nodiscard]] const STGMEDIUM& Medium() const noexcept { return FMedium; }

 private:
  STGMEDIUM FMedium{};
};

// The data format whose compatible formats are raw formats, added one by one by a drop source.
class TRawDataFormat : public TCustomDataFormat {
  KORV_CLASS(TRawDataFormat, TCustomDataFormat)
 public:
  explicit TRawDataFormat(TComponent* owner) : TRawDataFormat(owner, StaticClass()) {}
  void Clear() override;
  [[nodiscard]] bool HasData() override;
  [[nodiscard]] bool NeedsData() override;

 protected:
  TRawDataFormat(TComponent* owner, TClass cls) : TCustomDataFormat(owner, cls) {}
};

// ---------------------------------------------------------------------------------------------
// Platform helpers

// A copy of a medium that dest owns. Global memory is copied here into a block of its own,
// without the source's pUnkForRelease; other media go through URLMON's CopyStgMedium, loaded on
// first use and kept for the life of the process. False when the copy fails or the entry point
// is missing (the caller may be inside a COM method, so this never raises), and for GDI objects
// and metafiles, which it cannot copy.
bool CopyStgMedium(const STGMEDIUM& source, STGMEDIUM& dest) noexcept;
// Whether URLMON.CopyStgMedium could be loaded.
[[nodiscard]] bool CopyStgMediumAvailable() noexcept;

// Start-up and shut-down of this unit: OLE for the calling thread, and on the last shut-down the
// registry is freed. Calls nest (a per-unit counter); only the first start-up and the matching last
// shut-down act.
void DragDropStartup();
void DragDropShutdown();

}  // namespace korv
