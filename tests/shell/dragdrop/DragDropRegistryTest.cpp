// The registry of data and clipboard formats, the data-format lists, the component bases and the
// start-up order.
#include <gtest/gtest.h>

#include <cstdio>

#include "DragDropTestUtil.h"
#include "shell/dragdrop/DragDropPIDL.h"

namespace korv {
namespace {

using test::TPeerDataObject;
using test::TTestDropSource;
using test::TTestPlainComponent;

// Class references of their own for the local maps: the rule works on classes alone.
#define FAKE_CLASS(Name, Parent) \
  const TClassInfo Name { #Name, &Parent::ClassInfo, nullptr, nullptr }
FAKE_CLASS(DText, TCustomDataFormat);
FAKE_CLASS(DFeedback, TCustomDataFormat);
FAKE_CLASS(DStream, TCustomDataFormat);
FAKE_CLASS(DPIDL, TCustomDataFormat);
FAKE_CLASS(DFile, TCustomDataFormat);
FAKE_CLASS(DFileMap, TCustomDataFormat);
FAKE_CLASS(CText, TClipboardFormat);
FAKE_CLASS(CContents, TClipboardFormat);
FAKE_CLASS(CGroup, TClipboardFormat);
FAKE_CLASS(CGroupW, TClipboardFormat);
FAKE_CLASS(CPreferred, TClipboardFormat);
FAKE_CLASS(CPerformed, TClipboardFormat);
FAKE_CLASS(CPaste, TClipboardFormat);
FAKE_CLASS(CInLoop, TClipboardFormat);
FAKE_CLASS(CTarget, TClipboardFormat);
FAKE_CLASS(CLogical, TClipboardFormat);
FAKE_CLASS(CContentsStream, TClipboardFormat);
FAKE_CLASS(CIDList, TClipboardFormat);
FAKE_CLASS(CHDrop, TClipboardFormat);
FAKE_CLASS(CName, TClipboardFormat);
FAKE_CLASS(CNameW, TClipboardFormat);
FAKE_CLASS(CMap, TClipboardFormat);
FAKE_CLASS(CMapW, TClipboardFormat);
const TClassInfo CNameSub{"CNameSub", &CName, nullptr, nullptr};
#undef FAKE_CLASS

std::vector<TClass> PairsOf(const TDataFormatMap& map, TClass dataFormatClass) {
  std::vector<TClass> r;
  for (int i = 0; i < map.Count(); ++i)
    if (map.Items(i).DataFormatClass == dataFormatClass) r.push_back(map.Items(i).ClipboardFormatClass);
  return r;
}

const TDataFormatMapEntry* EntryOf(const TDataFormatMap& map, TClass d, TClass c) {
  for (int i = 0; i < map.Count(); ++i)
    if (map.Items(i).DataFormatClass == d && map.Items(i).ClipboardFormatClass == c) return &map.Items(i);
  return nullptr;
}

std::vector<TClass> ClassesOf(const TClipboardFormats& list) {
  std::vector<TClass> r;
  for (int i = 0; i < list.Count(); ++i) r.push_back(list.Formats(i)->ClassType());
  return r;
}

// The whole table of the system in its registration order (formats unit, ID list unit, file unit).
void RegisterSystemTable(TDataFormatMap& m) {
  m.Add(&DText, &CText, 0, 3, 1);
  m.Add(&DText, &CContents, 1, 3, 1);
  m.Add(&DText, &CGroup, 1, 1, 1);
  m.Add(&DText, &CGroupW, 1, 1, 1);
  m.Add(&DFeedback, &CPreferred, 0, 3, 1);
  m.Add(&DFeedback, &CPerformed, 0, 3, 2);
  m.Add(&DFeedback, &CPaste, 0, 3, 2);
  m.Add(&DFeedback, &CInLoop, 0, 3, 1);
  m.Add(&DFeedback, &CTarget, 0, 3, 2);
  m.Add(&DFeedback, &CLogical, 0, 3, 2);
  m.Add(&DStream, &CContentsStream, 0, 2, 1);
  m.Add(&DPIDL, &CIDList, 0, 3, 1);
  m.Add(&DPIDL, &CHDrop, 1, 3, 1);
  m.Add(&DFile, &CHDrop, 0, 3, 1);
  m.Add(&DFile, &CIDList, 1, 3, 1);
  m.Add(&DFile, &CName, 2, 3, 1);
  m.Add(&DFile, &CNameW, 2, 3, 1);
  m.Add(&DFileMap, &CMap, 0, 3, 1);
  m.Add(&DFileMap, &CMapW, 0, 3, 1);
}

TEST(DataFormatMap, SystemTableGivesThePublishedOrderForEveryDataFormatClass) {
  TDataFormatMap m;
  RegisterSystemTable(m);
  EXPECT_EQ(m.Count(), 19);
  EXPECT_EQ(PairsOf(m, &DText), (std::vector<TClass>{&CText, &CGroupW, &CGroup, &CContents}));
  EXPECT_EQ(PairsOf(m, &DFeedback),
            (std::vector<TClass>{&CLogical, &CTarget, &CInLoop, &CPaste, &CPerformed, &CPreferred}));
  EXPECT_EQ(PairsOf(m, &DStream), (std::vector<TClass>{&CContentsStream}));
  EXPECT_EQ(PairsOf(m, &DPIDL), (std::vector<TClass>{&CIDList, &CHDrop}));
  EXPECT_EQ(PairsOf(m, &DFile), (std::vector<TClass>{&CHDrop, &CIDList, &CNameW, &CName}));
  EXPECT_EQ(PairsOf(m, &DFileMap), (std::vector<TClass>{&CMapW, &CMap}));
  // The runs of one class stay together, in registration order of the classes.
  std::vector<TClass> runs;
  for (int i = 0; i < m.Count(); ++i)
    if (runs.empty() || runs.back() != m.Items(i).DataFormatClass) runs.push_back(m.Items(i).DataFormatClass);
  EXPECT_EQ(runs, (std::vector<TClass>{&DText, &DFeedback, &DStream, &DPIDL, &DFile, &DFileMap}));
}

TEST(DataFormatMap, ReRegisteringAPairKeepsOneEntryReordersItAndOrsTheSets) {
  TDataFormatMap m;
  RegisterSystemTable(m);
  // CContents had priority 1 behind the two group formats; at priority 1 again it becomes the
  // newest of the equal priorities and moves to the front of them.
  m.Add(&DText, &CContents, 1, fsTarget, ddSet);
  EXPECT_EQ(m.Count(), 19);
  EXPECT_EQ(PairsOf(m, &DText), (std::vector<TClass>{&CText, &CContents, &CGroupW, &CGroup}));
  const TDataFormatMapEntry* e = EntryOf(m, &DText, &CContents);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Scopes, fsSource | fsTarget);
  EXPECT_EQ(e->Directions, ddGet | ddSet);
  EXPECT_EQ(e->Priority, 1);

  // A higher priority moves it behind every lower one.
  m.Add(&DText, &CText, 5, fsSource, ddGet);
  EXPECT_EQ(PairsOf(m, &DText), (std::vector<TClass>{&CContents, &CGroupW, &CGroup, &CText}));
  EXPECT_EQ(m.Count(), 19);
}

TEST(DataFormatMap, LowerPriorityGoesBeforeTheRunAlsoAtTheStartOfTheMap) {
  TDataFormatMap m;
  RegisterSystemTable(m);
  m.Add(&DText, &CName, -1, 3, 1);
  EXPECT_EQ(m.Items(0).ClipboardFormatClass, &CName);
  EXPECT_EQ(PairsOf(m, &DText), (std::vector<TClass>{&CName, &CText, &CGroupW, &CGroup, &CContents}));

  m.Add(&DFileMap, &CName, -7, 3, 1);
  EXPECT_EQ(PairsOf(m, &DFileMap), (std::vector<TClass>{&CName, &CMapW, &CMap}));
  // Still one unbroken run per class, the last one at the end of the map.
  int first = -1, last = -1;
  for (int i = 0; i < m.Count(); ++i)
    if (m.Items(i).DataFormatClass == &DFileMap) {
      if (first < 0) first = i;
      last = i;
    }
  EXPECT_EQ(last - first + 1, 3);
  EXPECT_EQ(last, m.Count() - 1);
}

TEST(DataFormatMap, ACompatibleFormatsListFollowsTheScopeOfItsOwner) {
  TDataFormatMap m;
  RegisterSystemTable(m);
  TDataFormatMap& real = TDataFormatMap::Instance();
  // The process-wide map holds the real classes in the same order.
  EXPECT_EQ(PairsOf(real, TTextDataFormat::StaticClass()),
            (std::vector<TClass>{
                TTextClipboardFormat::StaticClass(), TFileGroupDescritorWClipboardFormat::StaticClass(),
                TFileGroupDescritorClipboardFormat::StaticClass(), TFileContentsClipboardFormat::StaticClass()}));
  EXPECT_EQ(
      PairsOf(real, TFeedbackDataFormat::StaticClass()),
      (std::vector<TClass>{
          TLogicalPerformedDropEffectClipboardFormat::StaticClass(), TTargetCLSIDClipboardFormat::StaticClass(),
          TInShellDragLoopClipboardFormat::StaticClass(), TPasteSuccededClipboardFormat::StaticClass(),
          TPerformedDropEffectClipboardFormat::StaticClass(), TPreferredDropEffectClipboardFormat::StaticClass()}));
  EXPECT_EQ(PairsOf(real, TDataStreamDataFormat::StaticClass()),
            (std::vector<TClass>{TFileContentsStreamClipboardFormat::StaticClass()}));
  EXPECT_EQ(PairsOf(real, TPIDLDataFormat::StaticClass()),
            (std::vector<TClass>{TPIDLClipboardFormat::StaticClass(), TFileClipboardFormat::StaticClass()}));
  EXPECT_TRUE(PairsOf(real, TVirtualFileStreamDataFormat::StaticClass()).empty());

  const std::unique_ptr<TTestDropSource> sourcePtr(NewComponent<TTestDropSource>(nullptr));
  TTestDropSource& source = *sourcePtr;
  TTextDataFormat owned(&source);
  TTextDataFormat free(nullptr);
  EXPECT_EQ(owned.OwnerKind(), fsSource);
  EXPECT_EQ(free.OwnerKind(), fsTarget);
  EXPECT_EQ(ClassesOf(owned.CompatibleFormats()), PairsOf(real, TTextDataFormat::StaticClass()));
  EXPECT_EQ(ClassesOf(free.CompatibleFormats()),
            (std::vector<TClass>{TTextClipboardFormat::StaticClass(), TFileContentsClipboardFormat::StaticClass()}));
  for (int i = 0; i < owned.CompatibleFormats().Count(); ++i) {
    TClipboardFormat* f = owned.CompatibleFormats().Formats(i);
    EXPECT_EQ(f->DataFormat(), &owned);
    EXPECT_EQ(f->DataDirections, ddGet);
    EXPECT_EQ(f->FormatEtc().dwAspect, static_cast<DWORD>(DVASPECT_CONTENT));
    EXPECT_EQ(f->FormatEtc().ptd, nullptr);
    EXPECT_EQ(f->FormatEtc().tymed, static_cast<DWORD>(TYMED_HGLOBAL | TYMED_ISTREAM));
  }
  // The text offered as a virtual file is its first one.
  EXPECT_EQ(owned.CompatibleFormats().Formats(3)->FormatEtc().lindex, 0);
  EXPECT_EQ(owned.CompatibleFormats().Formats(0)->FormatEtc().lindex, -1);

  TDataStreamDataFormat streamOwned(&source), streamFree(nullptr);
  EXPECT_EQ(streamOwned.CompatibleFormats().Count(), 0);
  EXPECT_EQ(ClassesOf(streamFree.CompatibleFormats()),
            (std::vector<TClass>{TFileContentsStreamClipboardFormat::StaticClass()}));

  TFeedbackDataFormat feedback(&source);
  ASSERT_EQ(feedback.CompatibleFormats().Count(), 6);
  std::vector<TDataDirections> dirs;
  for (int i = 0; i < 6; ++i) dirs.push_back(feedback.CompatibleFormats().Formats(i)->DataDirections);
  EXPECT_EQ(dirs, (std::vector<TDataDirections>{ddSet, ddSet, ddGet, ddSet, ddSet, ddGet}));
}

TEST(DataFormatMap, UnregisteringRemovesDescendantsToo) {
  TDataFormatMap& real = TDataFormatMap::Instance();
  int before = real.Count();
  RegisterCompatibleFormat(&DFile, &CName, 0, 3, 1);
  RegisterCompatibleFormat(&DFile, &CNameSub, 1, 3, 1);
  RegisterCompatibleFormat(&DFileMap, &CNameSub, 0, 3, 1);
  RegisterDataFormat(&DFile);
  RegisterDataFormat(&DFile);  // no duplicates
  EXPECT_EQ(real.Count(), before + 3);
  int classes = TDataFormatClasses::Instance().Count();

  TClipboardFormat::UnregisterClipboardFormat(&CName);  // CNameSub descends from it
  EXPECT_EQ(real.Count(), before);
  RegisterCompatibleFormat(&DFile, &CName, 0, 3, 1);
  UnregisterDataFormat(&DFile);
  EXPECT_EQ(real.Count(), before);
  EXPECT_EQ(TDataFormatClasses::Instance().Count(), classes - 1);
}

TEST(DataFormatMap, StartUpAndShutDownNestAndRebuildTheRegistryInOrder) {
  TDataFormatMap& map = TDataFormatMap::Instance();
  std::vector<TDataFormatMapEntry> before(&map.Items(0), &map.Items(0) + map.Count());
  // A nested start-up does nothing; its shut-down leaves the registry alone.
  DragDropFormatsStartup();
  DragDropPIDLStartup();
  DragDropPIDLShutdown();
  DragDropFormatsShutdown();
  ASSERT_EQ(TDataFormatMap::Existing(), &map);
  EXPECT_EQ(map.Count(), static_cast<int>(before.size()));

  // The last shut-down frees the registry; the next start-up rebuilds the same order.
  DragDropPIDLShutdown();
  EXPECT_EQ(TDataFormatMap::Existing(), nullptr);
  EXPECT_EQ(TDataFormatClasses::Existing(), nullptr);
  DragDropPIDLStartup();
  TDataFormatMap& again = TDataFormatMap::Instance();
  ASSERT_EQ(again.Count(), static_cast<int>(before.size()));
  for (int i = 0; i < again.Count(); ++i) {
    EXPECT_EQ(again.Items(i).DataFormatClass, before[static_cast<size_t>(i)].DataFormatClass) << i;
    EXPECT_EQ(again.Items(i).ClipboardFormatClass, before[static_cast<size_t>(i)].ClipboardFormatClass) << i;
  }
  std::vector<std::string> names;
  for (int i = 0; i < TDataFormatClasses::Instance().Count(); ++i)
    names.push_back(TDataFormatClasses::Instance().Items(i)->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"TTextDataFormat", "TDataStreamDataFormat", "TVirtualFileStreamDataFormat",
                                             "TPIDLDataFormat"}));
}

// ---------------------------------------------------------------------------------------------
// Data formats and their owners

TEST(DataFormatOwner, OnlyADropSourceMayOwnDataFormats) {
  const std::unique_ptr<TTestPlainComponent> plainPtr(NewComponent<TTestPlainComponent>(nullptr));
  TTestPlainComponent& plain = *plainPtr;
  try {
    TTextDataFormat f(&plain);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              "TTestPlainComponent is not a valid owner for TTextDataFormat. Owner must be derived from "
              "TCustomDropMultiSource or TCustomDropMultiTarget");
  }
  const std::unique_ptr<TComponent> otherPtr(NewComponent<TComponent>(nullptr));
  TComponent& other = *otherPtr;
  EXPECT_THROW(TFeedbackDataFormat f(&other), Exception);
  EXPECT_EQ(plain.DataFormats()->Count(), 0);
}

TEST(DataFormatOwner, OwnedFormatsListThemselvesOnceAndLeaveOnDestruction) {
  const std::unique_ptr<TTestDropSource> sourcePtr(NewComponent<TTestDropSource>(nullptr));
  TTestDropSource& source = *sourcePtr;
  auto* a = new TTextDataFormat(&source);
  auto* b = new TFeedbackDataFormat(&source);
  TDataFormats& list = *source.DataFormats();
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Formats(0), a);
  EXPECT_EQ(list.Formats(1), b);
  EXPECT_EQ(list.Add(b), 1);
  EXPECT_EQ(list.Add(a), 0);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(a->Owner(), &source);
  delete a;
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Formats(0), b);
  EXPECT_THROW((void)list.Formats(1), EListError);
  delete b;
  EXPECT_EQ(list.Count(), 0);
}

TEST(DataFormatOwner, DestroyingTheListFreesNoFormat) {
  auto* source = NewComponent<TTestDropSource>(nullptr);
  TTextDataFormat* text = new TTextDataFormat(source);
  text->SetText("still here");
  delete source;  // the list goes, the format stays and forgets its owner
  EXPECT_EQ(text->Owner(), nullptr);
  EXPECT_EQ(text->Text(), "still here");
  delete text;
}

TEST(DataFormat, GetDataStopsAtTheFirstDeliveringFormatUnlessStillNeeded) {
  TPeerDataObject peer;
  peer.Add(CF_TEXT, std::string("from CF_TEXT\0", 13));
  peer.Add(CF_FILECONTENTS(), std::string("from contents\0", 14));
  TTextDataFormat text(nullptr);
  EXPECT_TRUE(text.HasValidFormats(&peer));
  EXPECT_TRUE(text.GetData(&peer));
  EXPECT_EQ(text.Text(), "from CF_TEXT");
  EXPECT_EQ(peer.GetDataCalls, 1);
  // The compatible formats are cleared again after delivering.
  EXPECT_FALSE(text.CompatibleFormats().Formats(0)->HasData());

  // The feedback format needs four values and goes on through its formats.
  TPeerDataObject fb;
  auto dw = [](DWORD v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  fb.Add(TPreferredDropEffectClipboardFormat().FormatEtc().cfFormat, dw(DROPEFFECT_MOVE));
  fb.Add(TPerformedDropEffectClipboardFormat().FormatEtc().cfFormat, dw(DROPEFFECT_COPY));
  fb.Add(TPasteSuccededClipboardFormat().FormatEtc().cfFormat, dw(DROPEFFECT_MOVE));
  fb.Add(TInShellDragLoopClipboardFormat().FormatEtc().cfFormat, dw(1));
  fb.Add(TLogicalPerformedDropEffectClipboardFormat().FormatEtc().cfFormat, dw(DROPEFFECT_LINK));
  TFeedbackDataFormat feedback(nullptr);
  EXPECT_TRUE(feedback.GetData(&fb));
  EXPECT_EQ(feedback.PreferredDropEffect(), static_cast<DWORD>(DROPEFFECT_MOVE));
  EXPECT_EQ(feedback.PerformedDropEffect(), static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(feedback.PasteSucceeded(), static_cast<DWORD>(DROPEFFECT_MOVE));
  EXPECT_TRUE(feedback.InShellDragLoop());
  EXPECT_TRUE(feedback.GotInShellDragLoop());
  EXPECT_FALSE(feedback.NeedsData());
  // Logical Performed comes first in the map, so it was read before the needs were met.
  EXPECT_EQ(feedback.LogicalPerformedDropEffect(), static_cast<DWORD>(DROPEFFECT_LINK));
  EXPECT_EQ(peer.RefCount(), 1);
  EXPECT_EQ(fb.RefCount(), 1);
}

TEST(DataFormat, ChangingRunsBeforeEveryChangeOfTheData) {
  struct Counter {
    int n = 0;
    void Hit(TObject*) { ++n; }
  } counter;
  TTextDataFormat text(nullptr);
  text.OnChanging = TNotifyEvent(&counter, &Counter::Hit);
  text.SetText("a");
  text.Clear();
  EXPECT_EQ(counter.n, 2);
  TPIDLDataFormat pidl(nullptr);
  pidl.OnChanging = TNotifyEvent(&counter, &Counter::Hit);
  pidl.PIDLs().Add(std::string("\0\0", 2));
  EXPECT_EQ(counter.n, 3);
  TFeedbackDataFormat fb(nullptr);
  fb.OnChanging = TNotifyEvent(&counter, &Counter::Hit);
  fb.SetPreferredDropEffect(1);
  fb.SetPerformedDropEffect(1);
  fb.SetInShellDragLoop(true);
  EXPECT_EQ(counter.n, 6);
}

// ---------------------------------------------------------------------------------------------
// Clipboard-format bases

class TBareFormat : public TClipboardFormat {
  KORV_CLASS(TBareFormat, TClipboardFormat)
 public:
  TBareFormat() : TClipboardFormat(TYMED_HGLOBAL) {}
  ~TBareFormat() override {
    if (Log) Log->push_back(Tag);
  }
  void Clear() override {}
  std::vector<int>* Log = nullptr;
  int Tag = 0;
};
KORV_DEFINE_CLASS(TBareFormat, TClipboardFormat, nullptr, nullptr);

class TBareSubFormat : public TBareFormat {
  KORV_CLASS(TBareSubFormat, TBareFormat)
};
KORV_DEFINE_CLASS(TBareSubFormat, TBareFormat, nullptr, nullptr);

TEST(ClipboardFormat, BaseOperationsRaiseTheirMessages) {
  TBareFormat bare;
  try {
    (void)bare.FormatEtc();
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Internal error: TBareFormat.GetClipboardFormat needs implementation");
  }
  TTextClipboardFormat text;
  try {
    text.SetClipboardFormatName("x");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TTextClipboardFormat.ClipboardFormat is read-only");
  }
  try {
    delete TRawClipboardFormat::StaticClass()->Factory(nullptr);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "The TRawClipboardFormat class can not be instantiated with the default constructor");
  }
  // Predefined formats have no name; registered ones report theirs.
  EXPECT_EQ(text.GetClipboardFormatName(), "");
  EXPECT_EQ(TPIDLClipboardFormat().GetClipboardFormatName(), "Shell IDList Array");
  EXPECT_EQ(TPreferredDropEffectClipboardFormat().GetClipboardFormatName(), "Preferred DropEffect");
  // Formats of one name share one id.
  EXPECT_EQ(TFileContentsClipboardFormat().FormatEtc().cfFormat,
            TFileContentsStreamClipboardFormat().FormatEtc().cfFormat);
  EXPECT_EQ(TFileContentsClipboardFormat().FormatEtc().cfFormat,
            static_cast<CLIPFORMAT>(RegisterClipboardFormatA("FileContents")));
}

TEST(ClipboardFormat, AcceptsOnlyItsOwnIdAspectNoDeviceAndASharedMedium) {
  TTextClipboardFormat f;
  FORMATETC fe{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  EXPECT_TRUE(f.AcceptFormat(fe));
  fe.lindex = 3;  // lindex plays no part
  EXPECT_TRUE(f.AcceptFormat(fe));
  fe.tymed = TYMED_FILE;
  EXPECT_FALSE(f.AcceptFormat(fe));
  fe.tymed = TYMED_ISTREAM | TYMED_FILE;
  EXPECT_TRUE(f.AcceptFormat(fe));
  fe.dwAspect = DVASPECT_ICON;
  EXPECT_FALSE(f.AcceptFormat(fe));
  fe.dwAspect = DVASPECT_CONTENT;
  fe.cfFormat = CF_HDROP;
  EXPECT_FALSE(f.AcceptFormat(fe));
  DVTARGETDEVICE device{};
  fe.cfFormat = CF_TEXT;
  fe.ptd = &device;
  EXPECT_FALSE(f.AcceptFormat(fe));
}

TEST(ClipboardFormat, ListsFindDescendantsAndFreeOwnedItemsLastFirst) {
  std::vector<int> log;
  {
    TClipboardFormats owning(nullptr, true);
    for (int i = 0; i < 3; ++i) {
      TBareFormat* f = i == 1 ? new TBareSubFormat() : new TBareFormat();
      f->Log = &log;
      f->Tag = i;
      owning.Add(f);
    }
    EXPECT_EQ(owning.FindFormat(TBareFormat::StaticClass()), owning.Formats(0));
    EXPECT_EQ(owning.FindFormat(TBareSubFormat::StaticClass()), owning.Formats(1));
    EXPECT_FALSE(owning.Contains(TTextClipboardFormat::StaticClass()));
    TClipboardFormats borrowing(nullptr, false);
    borrowing.Add(owning.Formats(2));
    borrowing.Clear();  // frees nothing
    EXPECT_TRUE(log.empty());
  }
  EXPECT_EQ(log, (std::vector<int>{2, 1, 0}));
}

// ---------------------------------------------------------------------------------------------
// TInterfacedComponent

class TCountingComponent : public TInterfacedComponent {
  KORV_CLASS(TCountingComponent, TInterfacedComponent)
 public:
  explicit TCountingComponent(TComponent* owner) : TInterfacedComponent(owner) {}
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++Refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--Refs); }
  LONG Refs = 0;
};
KORV_DEFINE_CLASS(TCountingComponent, TInterfacedComponent, nullptr, nullptr);

TEST(InterfacedComponent, AnswersItsOwnInterfacesAndCountsThroughItsOwner) {
  const std::unique_ptr<TDragDropComponent> plainPtr(NewComponent<TDragDropComponent>(nullptr));
  TDragDropComponent& plain = *plainPtr;
  IUnknown* unk = nullptr;
  ASSERT_EQ(plain.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk)), S_OK);
  EXPECT_EQ(unk, plain.AsUnknown());
  IDataObject* dobj = reinterpret_cast<IDataObject*>(0x1);
  EXPECT_EQ(plain.QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&dobj)), E_NOINTERFACE);
  EXPECT_EQ(dobj, nullptr);
  EXPECT_EQ(plain.QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  // No reference counting of its own.
  EXPECT_EQ(plain.AddRef(), static_cast<ULONG>(-1));
  EXPECT_EQ(plain.Release(), static_cast<ULONG>(-1));

  auto* owner = NewComponent<TCountingComponent>(nullptr);
  auto* child = NewComponent<TDragDropComponent>(owner);
  EXPECT_EQ(child->AddRef(), 1u);
  EXPECT_EQ(child->AddRef(), 2u);
  IUnknown* u = nullptr;
  ASSERT_EQ(child->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&u)), S_OK);
  EXPECT_EQ(owner->Refs, 3);
  u->Release();
  child->Release();
  child->Release();
  EXPECT_EQ(owner->Refs, 0);
  delete owner;  // frees the child it owns
}

TEST(InterfacedComponent, InterfaceNamesComeFromTheRegistry) {
  std::string guid = GUIDToString(IID_IDataObject);
  ASSERT_EQ(guid.size(), 38u);
  // The registered name of a system interface is not its GUID text.
  std::string name = GetInterfaceName(IID_IDataObject);
  EXPECT_FALSE(name.empty());
  EXPECT_NE(name, guid);
  char expected[256] = {};
  LONG size = sizeof expected;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, ("Interface\\" + guid).c_str(), expected, &size) == ERROR_SUCCESS) {
    EXPECT_EQ(name, std::string(expected));
  }
  // An unknown interface is named by its GUID.
  GUID unknown{0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
  EXPECT_EQ(GetInterfaceName(unknown), "{12345678-9ABC-DEF0-0102-030405060708}");
}

}  // namespace
}  // namespace korv
