// Persistent objects, components, string lists, streams and collections of the class library.
#pragma once

#include <objidl.h>
#include <windows.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "classlib/SysUtils.h"
#include "classlib/System.h"

namespace korv {

class TFiler;
class TReader;
class TWriter;
class TComponent;
class TStream;

// ---------------------------------------------------------------------------------------------
// TPersistent: objects that can be assigned and streamed.

class TPersistent : public TObject {
  KORV_CLASS(TPersistent, TObject)
 public:
  // Copies from Source. The default asks Source->AssignTo(this); if nobody handles it, raises
  // EConvertError "Cannot assign a %s to a %s" (Source's class name or "nil", this class name).
  virtual void Assign(const TPersistent* source);
  // The object that owns this one in the streaming tree (a collection's owner...).
  [[nodiscard]] virtual TPersistent* GetOwner() const { return nullptr; }
  // Name used in streaming paths and messages.
  [[nodiscard]] virtual std::string GetNamePath() const;
  // Declares properties that are not in the property table (binary data, lists...).
  virtual void DefineProperties(TFiler* filer) { (void)filer; }

 protected:
  // Copies this object into Dest; the default raises the assignment error.
  virtual void AssignTo(TPersistent* dest) const;
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

// ---------------------------------------------------------------------------------------------
// Published property tables: one per streamable class, in declaration order.

enum class TPropKind : uint8_t {
  Integer,  // int32 (TColor included)
  Boolean,
  String,      // ANSI text
  WString,     // UTF-16 text
  Float,       // double
  Enum,        // an enumeration written as its identifier
  Set,         // a bit set of an enumeration, written as a list of identifiers
  Object,      // an owned TPersistent sub-object streamed in place (TFont, TBitmap, TStrings...)
  Collection,  // an owned TCollection streamed as its items
  Component,   // a reference to another component, written by name
};

class TCollection;

struct TPropInfo {
  const char* Name;
  TPropKind Kind;
  // Integer, Boolean, Enum, Set: the value as int64 (Set: bit i = identifier i).
  int64_t (*GetOrd)(const TObject*);
  void (*SetOrd)(TObject*, int64_t);
  // String
  std::string (*GetStr)(const TObject*);
  void (*SetStr)(TObject*, const std::string&);
  // WString
  std::wstring (*GetWStr)(const TObject*);
  void (*SetWStr)(TObject*, const std::wstring&);
  // Float
  double (*GetFloat)(const TObject*);
  void (*SetFloat)(TObject*, double);
  // Object / Collection: the owned sub-object, filled in place when read.
  TPersistent* (*GetObj)(const TObject*);
  // Component: the referenced component and its setter.
  TComponent* (*GetComp)(const TObject*);
  void (*SetComp)(TObject*, TComponent*);
  // Enum/Set identifiers, index = ordinal.
  const char* const* Idents;
  int IdentCount;
  // Stored default: a value equal to it is not written. HasDefault false: always written.
  bool HasDefault;
  int64_t DefaultOrd;
  const char* DefaultStr;
  double DefaultFloat;
  // Optional: false when the value is not to be written (a "stored" function).
  bool (*IsStored)(const TObject*);
};

struct TPropTable {
  const TPropInfo* Props;
  int Count;
};

// All published properties of a class, parents' first.
[[nodiscard]] std::vector<const TPropInfo*> GetPropList(TClass cls);
[[nodiscard]] const TPropInfo* GetPropInfo(TClass cls, std::string_view name);  // case-insensitive

// ---------------------------------------------------------------------------------------------
// TComponent: the owner tree.

enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csWriting = 1u << 2,
  csDestroying = 1u << 3,
  csDesigning = 1u << 4,
  csAncestor = 1u << 5,
  csUpdating = 1u << 6,
  csFixups = 1u << 7,
  csFreeNotification = 1u << 8,
  csInline = 1u << 9,
};
using TComponentState = unsigned;

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
  KORV_CLASS(TComponent, TPersistent)
 public:
  // A component is made with NewComponent<T>(owner, ...) only, which finishes it once its
  // constructors ran (AfterConstruction), as reading it from a stored form does. new does not
  // compile for any component; made any other way (on the stack, as a member) it raises
  // EInvalidOperation.
  static void* operator new(std::size_t) = delete;
  static void* operator new[](std::size_t) = delete;

  explicit TComponent(TComponent* owner);
  // Frees the owned components (last first) and tells everyone who asked for free
  // notification; removes itself from its owner.
  ~TComponent() override;

  [[nodiscard]] TComponent* Owner() const noexcept { return FOwner; }
  [[nodiscard]] const std::string& Name() const noexcept { return FName; }
  // Raises EComponentError for an invalid identifier or a name already used by a sibling:
  // "Component name \"%s\" is not a valid identifier" / "A component named %s already exists".
  virtual void SetName(const std::string& name);
  [[nodiscard]] int Tag() const noexcept { return FTag; }
  void SetTag(int v) noexcept { FTag = v; }

  [[nodiscard]] int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
  [[nodiscard]] TComponent* Components(int index) const;  // raises EListError out of range
  [[nodiscard]] int ComponentIndex() const;               // position in the owner's list, -1 without owner
  [[nodiscard]] TComponent* FindComponent(std::string_view name) const;  // case-insensitive, nullptr

  [[nodiscard]] TComponentState ComponentState() const noexcept { return FComponentState; }
  [[nodiscard]] bool HasState(TComponentState s) const noexcept { return (FComponentState & s) != 0; }

  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);
  void DestroyComponents();  // frees every owned component now (derived destructors call it early)

  // Asks to be told (Notification opRemove) when c is destroyed, and tells c the same way.
  void FreeNotification(TComponent* c);
  void RemoveFreeNotification(TComponent* c);

  [[nodiscard]] std::string GetNamePath() const override;
  [[nodiscard]] TPersistent* GetOwner() const override { return FOwner; }

  // Runs once the most derived constructor has finished: for the steps a base class must take
  // after its derived classes have set themselves up. A C++ constructor cannot call it, so
  // NewComponent does, the one way a component is made (the class factories of the streaming and
  // TApplication::CreateForm go through it).
  virtual void AfterConstruction() {}

  // Streaming support.
  virtual void Loaded();  // clears csLoading; called once per component after the whole stream
  // Bracket the reading of the component's stored state: its properties and the records of its
  // children. The reader calls them in pairs, also when the reading fails.
  virtual void BeginReadState() {}
  virtual void EndReadState() noexcept {}
  void SetComponentState(TComponentState add, TComponentState remove = 0) noexcept {
    FComponentState = (FComponentState | add) & ~remove;
  }
  // Children written after this component's properties (the owned components by default).
  // The writer streams only children owned by the root, each once.
  virtual void GetChildren(std::vector<TComponent*>& out) const;
  // The component a streamed child is nested in (a control's parent). The reader calls
  // SetParentComponent with the component whose record encloses the child's, before the
  // child's properties are read; the defaults do nothing.
  [[nodiscard]] virtual bool HasParent() const { return false; }
  [[nodiscard]] virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* parent) { (void)parent; }
  // Sets csDestroying on this component and everything it owns. The destructor calls it;
  // derived destructors may call it first so that their own teardown already sees the flag.
  void Destroying() noexcept;

 protected:
  // opInsert/opRemove of AComponent: for owned components and free-notification peers.
  virtual void Notification(TComponent* component, TOperation operation);
  void SetDesigning(bool v) noexcept;

 private:
  void Insert(TComponent* c);
  void Remove(TComponent* c);
  void RemoveNotification(TComponent* c);

  TComponent* FOwner = nullptr;
  std::string FName;
  int FTag = 0;
  TComponentState FComponentState = 0;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;

  // Components NewComponent is making on this thread whose TComponent part is not built yet.
  static thread_local int FMaking;
  template <class T, class... Args>
  friend T* NewComponent(Args&&... args);
};

// Makes a component and runs its AfterConstruction; a failure there frees it again. The owner
// frees it in turn, or the caller (std::unique_ptr<T>(NewComponent<T>(nullptr))) when it has none.
template <class T, class... Args>
T* NewComponent(Args&&... args) {
  static_assert(std::is_base_of_v<TComponent, T>, "NewComponent makes components");
  const int making = TComponent::FMaking++;
  T* c = nullptr;
  try {
    c = ::new T(std::forward<Args>(args)...);
  } catch (...) {
    TComponent::FMaking = making;
    throw;
  }
  TComponent::FMaking = making;
  try {
    c->AfterConstruction();
  } catch (...) {
    delete c;
    throw;
  }
  return c;
}

// Factory for class infos of components: KORV_DEFINE_CLASS(TFoo, TBar, &CreateComponent<TFoo>, ...)
template <class T>
TObject* CreateComponent(TObject* owner) {
  return NewComponent<T>(static_cast<TComponent*>(owner));
}

// ---------------------------------------------------------------------------------------------
// Streams

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream : public TObject {
  KORV_CLASS(TStream, TObject)
 public:
  // Read/Write return the byte count moved (short at the end or on failure, never raising).
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  [[nodiscard]] int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
  [[nodiscard]] virtual int64_t Size();
  virtual void SetSize(int64_t newSize);

  // Raise EReadError "Stream read error" / EWriteError "Stream write error" when short.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies count bytes from source (count 0: the whole source from its start); returns the count.
  int64_t CopyFrom(TStream& source, int64_t count);

  // Component streaming at the current position (see Streaming.h): the root with its owned
  // children. ReadComponent(nullptr) creates the root by its stored class name.
  void WriteComponent(TComponent* instance);
  TComponent* ReadComponent(TComponent* instance);
};

class THandleStream : public TStream {
  KORV_CLASS(THandleStream, TStream)
 public:
  explicit THandleStream(HANDLE handle) : FHandle(handle) {}
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  [[nodiscard]] HANDLE Handle() const noexcept { return FHandle; }

 protected:
  HANDLE FHandle;
};

// Open modes and share modes of TFileStream.
enum : uint32_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFFFF,
};

class TFileStream : public THandleStream {
  KORV_CLASS(TFileStream, THandleStream)
 public:
  // Raises EFCreateError "Cannot create file \"%s\". %s" / EFOpenError "Cannot open file
  // \"%s\". %s" with the system's message.
  TFileStream(const std::string& fileName, uint32_t mode);
  ~TFileStream() override;
  [[nodiscard]] const std::string& FileName() const noexcept { return FFileName; }

 private:
  std::string FFileName;
};

// A stream over one block of memory. Read and Seek are final: the component reader takes its
// bytes straight from the block and moves the position itself.
class TCustomMemoryStream : public TStream {
  KORV_CLASS(TCustomMemoryStream, TStream)
  friend class TReader;

 public:
  int32_t Read(void* buffer, int32_t count) final;
  int64_t Seek(int64_t offset, TSeekOrigin origin) final;
  [[nodiscard]] int64_t Size() override { return FSize; }
  [[nodiscard]] void* Memory() const noexcept { return FMemory; }
  void SaveToStream(TStream& stream);
  void SaveToFile(const std::string& fileName);

 protected:
  void SetPointer(void* p, int64_t size) noexcept {
    FMemory = p;
    FSize = size;
  }
  void* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
};

class TMemoryStream : public TCustomMemoryStream {
  KORV_CLASS(TMemoryStream, TCustomMemoryStream)
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  int32_t Write(const void* buffer, int32_t count) override;
  void SetSize(int64_t newSize) override;
  void Clear();
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);
  [[nodiscard]] int64_t Capacity() const noexcept { return FCapacity; }

 private:
  void SetCapacity(int64_t c);
  int64_t FCapacity = 0;
};

// A read-only stream over a resource of a module. Raises EResNotFound "Resource %s not found".
class TResourceStream : public TCustomMemoryStream {
  KORV_CLASS(TResourceStream, TCustomMemoryStream)
 public:
  TResourceStream(HINSTANCE instance, const std::string& name, const char* type);
  TResourceStream(HINSTANCE instance, int id, const char* type);
  int32_t Write(const void* buffer,
                int32_t count) override;  // raises EStreamError "Can't write to a read-only resource stream"
};

// IStream over a TStream. Read, Write, Seek (SET/CUR/END), SetSize, CopyTo, Stat (cbSize,
// STATFLAG_NONAME), Clone are implemented; Commit/Revert succeed, Lock/UnlockRegion answer
// STG_E_INVALIDFUNCTION. No method lets an exception out. The adapter owns the stream when
// asked to (soOwned) and deletes it with its last reference.
enum class TStreamOwnership { soReference, soOwned };
class TStreamAdapter : public IStream {
 public:
  TStreamAdapter(TStream* stream, TStreamOwnership ownership = TStreamOwnership::soReference);
  virtual ~TStreamAdapter();
  [[nodiscard]] TStream* Stream() const noexcept { return FStream; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** obj) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override;
  HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos) override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER newSize) override;
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* stm, ULARGE_INTEGER cb, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override;
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Revert() override;
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER off, ULARGE_INTEGER cb, DWORD type) override;
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER off, ULARGE_INTEGER cb, DWORD type) override;
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flag) override;
  HRESULT STDMETHODCALLTYPE Clone(IStream** stm) override;

 protected:
  TStream* FStream;
  TStreamOwnership FOwnership;
  LONG FRefCount = 1;

 private:
  // Clones share the stream of the adapter they came from (and hold a reference on it), each
  // with its own seek position.
  TStreamAdapter* FSource = nullptr;
  int64_t FClonePos = 0;
};

// ---------------------------------------------------------------------------------------------
// String lists

enum class TDuplicates { dupIgnore, dupAccept, dupError };

// An update bracket around a scope, for anything with BeginUpdate and EndUpdate (string lists,
// collections): BeginUpdate now, EndUpdate on every exit. EndUpdate runs the change events. What
// they throw after a normal exit reaches the caller; while an exception of the scope is already
// on its way out, that one goes on and one from the events is dropped.
template <class T>
class TUpdateScope {
 public:
  explicit TUpdateScope(T& target) : FTarget(target), FUncaught(std::uncaught_exceptions()) { FTarget.BeginUpdate(); }
  ~TUpdateScope() noexcept(false) {
    if (std::uncaught_exceptions() == FUncaught) {
      FTarget.EndUpdate();
      return;
    }
    try {
      FTarget.EndUpdate();
    } catch (...) {
    }
  }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;

 private:
  T& FTarget;
  int FUncaught;
};

class TStrings : public TPersistent {
  KORV_CLASS(TStrings, TPersistent)
 public:
  // Abstract storage.
  [[nodiscard]] virtual int Count() const = 0;
  [[nodiscard]] virtual std::string Get(int index) const = 0;
  virtual void Put(int index, const std::string& s);
  [[nodiscard]] virtual TObject* GetObject(int index) const;
  virtual void PutObject(int index, TObject* obj);
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  [[nodiscard]] std::string operator[](int index) const { return Get(index); }
  [[nodiscard]] std::string Strings(int index) const { return Get(index); }
  [[nodiscard]] TObject* Objects(int index) const { return GetObject(index); }

  virtual int Add(const std::string& s);
  virtual int AddObject(const std::string& s, TObject* obj);
  void InsertObject(int index, const std::string& s, TObject* obj);
  void AddStrings(const TStrings& other);
  void Append(const std::string& s) { Add(s); }
  virtual void Exchange(int a, int b);
  virtual void Move(int cur, int dest);
  [[nodiscard]] virtual int IndexOf(std::string_view s) const;  // CompareStrings equal
  [[nodiscard]] int IndexOfName(std::string_view name) const;
  [[nodiscard]] int IndexOfObject(const TObject* obj) const;
  [[nodiscard]] bool Equals(const TStrings& other) const;

  // Text: lines joined by CR LF; SetText splits at CR LF, LF or CR.
  [[nodiscard]] virtual std::string Text() const;
  virtual void SetText(std::string_view text);
  // Delimited text: items joined by Delimiter, quoted with QuoteChar when they contain
  // blanks, the delimiter or quotes.
  [[nodiscard]] std::string DelimitedText() const;
  void SetDelimitedText(std::string_view text);
  [[nodiscard]] std::string CommaText() const;
  void SetCommaText(std::string_view text);
  [[nodiscard]] char Delimiter() const noexcept { return FDelimiter; }
  void SetDelimiter(char c) noexcept { FDelimiter = c; }
  [[nodiscard]] char QuoteChar() const noexcept { return FQuoteChar; }
  void SetQuoteChar(char c) noexcept { FQuoteChar = c; }
  [[nodiscard]] char NameValueSeparator() const noexcept { return FNameValueSeparator; }
  void SetNameValueSeparator(char c) noexcept { FNameValueSeparator = c; }
  [[nodiscard]] std::string Names(int index) const;
  [[nodiscard]] std::string ValueFromIndex(int index) const;
  [[nodiscard]] std::string Values(std::string_view name) const;
  void SetValue(std::string_view name, const std::string& value);  // "" deletes the entry

  void BeginUpdate();
  void EndUpdate();
  [[nodiscard]] int UpdateCount() const noexcept { return FUpdateCount; }

  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  void Assign(const TPersistent* source) override;
  void DefineProperties(TFiler* filer) override;  // "Strings": the list of items

 protected:
  virtual void SetUpdateState(bool updating) { (void)updating; }
  [[nodiscard]] virtual int CompareStrings(std::string_view a, std::string_view b) const;
  [[noreturn]] void Error(const char* fmt, int data) const;  // EStringListError

 private:
  int FUpdateCount = 0;
  char FDelimiter = ',';
  char FQuoteChar = '"';
  char FNameValueSeparator = '=';
};

// Quicksort of the positions l..r of a list: compare(i, j) compares the items now at i and j,
// exchange(i, j) swaps them. Hoare's partition around the middle item, whose position is
// followed through the exchanges so that it is always compared as it stands now. The scans stop
// at the ends of the range, so a comparison that is not a consistent order cannot run off the
// list. The smaller part is sorted by recursion and the larger one by the loop: the same result,
// with a logarithmic depth.
template <class Compare, class Exchange>
void QuickSortPositions(int l, int r, Compare&& compare, Exchange&& exchange) {
  while (l < r) {
    int i = l, j = r, p = static_cast<int>(static_cast<unsigned>(l + r) >> 1);
    do {
      while (i < r && compare(i, p) < 0) ++i;
      while (j > l && compare(j, p) > 0) --j;
      if (i <= j) {
        if (i != j) exchange(i, j);
        if (p == i)
          p = j;
        else if (p == j)
          p = i;
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - l < r - i) {
      if (l < j) QuickSortPositions(l, j, compare, exchange);
      l = i;
    } else {
      if (i < r) QuickSortPositions(i, r, compare, exchange);
      r = j;
    }
  }
}

class TStringList;
using TStringListSortCompare = int (*)(TStringList& list, int a, int b);

class TStringList : public TStrings {
  KORV_CLASS(TStringList, TStrings)
 public:
  TStringList() = default;
  ~TStringList() override;

  [[nodiscard]] int Count() const override { return static_cast<int>(FList.size()); }
  [[nodiscard]] std::string Get(int index) const override;
  // The item itself, without the copy Get makes; valid until the list changes. Raises as Get.
  [[nodiscard]] const std::string& StringRef(int index) const;
  void Put(int index, const std::string& s) override;
  [[nodiscard]] TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* obj) override;
  int Add(const std::string& s) override;
  int AddObject(const std::string& s, TObject* obj) override;
  void Insert(int index, const std::string& s) override;  // raises "Operation not allowed on sorted list" when Sorted
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int a, int b) override;
  void Move(int cur, int dest) override;  // keeps the object (also when the list owns it)
  [[nodiscard]] int IndexOf(std::string_view s) const override;

  // Binary search of a sorted list; Index is where s is or would go.
  bool Find(std::string_view s, int& index) const;
  virtual void Sort();
  virtual void CustomSort(TStringListSortCompare compare);

  [[nodiscard]] bool Sorted() const noexcept { return FSorted; }
  void SetSorted(bool v);
  [[nodiscard]] TDuplicates Duplicates() const noexcept { return FDuplicates; }
  void SetDuplicates(TDuplicates d) noexcept { FDuplicates = d; }
  [[nodiscard]] bool CaseSensitive() const noexcept { return FCaseSensitive; }
  void SetCaseSensitive(bool v);
  [[nodiscard]] bool OwnsObjects() const noexcept { return FOwnsObjects; }
  void SetOwnsObjects(bool v) noexcept { FOwnsObjects = v; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool updating) override;
  [[nodiscard]] int CompareStrings(std::string_view a, std::string_view b) const override;

 private:
  struct Item {
    std::string S;
    TObject* Obj = nullptr;
  };
  void InsertItem(int index, const std::string& s, TObject* obj);
  void QuickSort(int l, int r, TStringListSortCompare compare);
  std::vector<Item> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;
  bool FOwnsObjects = false;
  TDuplicates FDuplicates = TDuplicates::dupIgnore;
};

// ---------------------------------------------------------------------------------------------
// Collections

class TCollection;

class TCollectionItem : public TPersistent {
  KORV_CLASS(TCollectionItem, TPersistent)
 public:
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;  // removes itself from its collection
  [[nodiscard]] TCollection* Collection() const noexcept { return FCollection; }
  void SetCollection(TCollection* c);
  [[nodiscard]] int Index() const;
  virtual void SetIndex(int index);
  [[nodiscard]] int ID() const noexcept { return FID; }
  [[nodiscard]] virtual std::string GetDisplayName() const;
  [[nodiscard]] TPersistent* GetOwner() const override;
  [[nodiscard]] std::string GetNamePath() const override;

 protected:
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

class TCollection : public TPersistent {
  KORV_CLASS(TCollection, TPersistent)
 public:
  explicit TCollection(TClass itemClass);
  ~TCollection() override;  // frees the items

  [[nodiscard]] int Count() const noexcept { return static_cast<int>(FItems.size()); }
  [[nodiscard]] TCollectionItem* GetItem(int index) const;  // raises EListError "List index out of bounds (%d)"
  [[nodiscard]] TClass ItemClass() const noexcept { return FItemClass; }
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  [[nodiscard]] TCollectionItem* FindItemID(int id) const;

  void BeginUpdate();
  void EndUpdate();
  [[nodiscard]] int UpdateCount() const noexcept { return FUpdateCount; }

  // Assigning from another collection replaces the items with copies (each item's Assign).
  void Assign(const TPersistent* source) override;

 protected:
  // Called after a change of one item (or of all items when item is nullptr).
  virtual void Update(TCollectionItem* item) { (void)item; }
  virtual void Notify(TCollectionItem* item, bool added) {
    (void)item;
    (void)added;
  }
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);
  TClass FItemClass;
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
  int FNextID = 0;
};

// Item classes are created through their class info's factory with the collection as owner:
// KORV_DEFINE_CLASS(TFooItem, TCollectionItem, &CreateCollectionItem<TFooItem>, ...)
template <class T>
TObject* CreateCollectionItem(TObject* collection) {
  return new T(static_cast<TCollection*>(collection));
}

// A collection that knows its owner (for GetOwner and name paths).
class TOwnedCollection : public TCollection {
  KORV_CLASS(TOwnedCollection, TCollection)
 public:
  TOwnedCollection(TPersistent* owner, TClass itemClass) : TCollection(itemClass), FOwner(owner) {}
  [[nodiscard]] TPersistent* GetOwner() const override { return FOwner; }

 private:
  TPersistent* FOwner;
};

// ---------------------------------------------------------------------------------------------
// Component streaming. Binary form of published properties with tagged values; see Streaming.h.

}  // namespace korv
