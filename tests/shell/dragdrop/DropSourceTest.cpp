// The drop source through its COM surface: the data object, the drop source and asynchronous
// partner, the enumerator, the outcome of a drag, the feedback a target writes, the drag image,
// and the rule that no exception leaves a COM method. The drags here are played by a scripted
// target through the injectable DoDragDrop; real drags with real input are in DropSourceDragTest.
#include <windows.h>
// commctrl.h needs the types windows.h declares.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "DropSourceTestUtil.h"

namespace korv {
namespace {

using test::Enumerate;
using test::FormatId;
using test::GetBytes;
using test::ReadDWORD;
using test::TAfterDrop;
using test::TDropSourceTest;
using test::TPeerDataObject;
using test::WriteDWORD;

// A target played without input, the way DoDragDrop calls a source: it holds references to the
// data object and the drop source, asks whether to go on while the button is held, shows an
// effect, lets go of the button and, on a drop, writes its feedback and answers an effect.
struct TScriptedDrag {
  DWORD ShowEffect = DROPEFFECT_COPY;  // what the target shows (GiveFeedback)
  bool Escape = false;
  DWORD Performed = ~DWORD{0};                   // "Performed DropEffect" written on a drop; ~0: nothing
  DWORD Logical = ~DWORD{0};                     // "Logical Performed DropEffect"
  DWORD DropEffect = DROPEFFECT_COPY;            // answered by the drop
  std::function<void(IDataObject*)> DuringDrag;  // runs while the drag is on

  // Records
  DWORD OkEffects = 0;
  HRESULT Continue = E_FAIL, Feedback = E_FAIL;
  int Calls = 0;

  HRESULT operator()(IDataObject* data, IDropSource* source, DWORD okEffects, DWORD* effect) {
    ++Calls;
    OkEffects = okEffects;
    data->AddRef();
    source->AddRef();
    HRESULT hr = source->QueryContinueDrag(FALSE, MK_LBUTTON);
    if (hr == S_OK) {
      Feedback = source->GiveFeedback(ShowEffect & okEffects);
      if (DuringDrag) DuringDrag(data);
      Continue = hr = source->QueryContinueDrag(Escape ? TRUE : FALSE, 0);
    }
    *effect = DROPEFFECT_NONE;
    if (hr == DRAGDROP_S_DROP) {
      if (Performed != ~DWORD{0}) WriteDWORD(data, "Performed DropEffect", Performed);
      if (Logical != ~DWORD{0}) WriteDWORD(data, "Logical Performed DropEffect", Logical);
      *effect = DropEffect;
    }
    source->Release();
    data->Release();
    return hr;
  }
};

// Binds a scripted drag to a source (the source calls it through a copy of the std::function,
// so the script is reached by pointer).
void Script(TCustomDropSource& s, TScriptedDrag& drag) {
  s.DoDragDropProc = [&drag](IDataObject* d, IDropSource* src, DWORD ok, DWORD* e) { return drag(d, src, ok, e); };
}

class DropSource : public TDropSourceTest {};

// ---------------------------------------------------------------------------------------------
// Outcome

TEST(DropSourceOutcome, EveryCombinationOfResultEffectAndFeedback) {
  const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  const DWORD none = ~DWORD{0};
  bool optimized = true;
  EXPECT_EQ(DragResultOf(DRAGDROP_S_DROP, DROPEFFECT_COPY, all, none, 0, &optimized), drDropCopy);
  EXPECT_FALSE(optimized);
  EXPECT_EQ(DragResultOf(DRAGDROP_S_DROP, DROPEFFECT_LINK, all, 0, 0), drDropLink);
  // A target that moved the files itself and answered no effect: an optimized move.
  EXPECT_EQ(DragResultOf(DRAGDROP_S_DROP, DROPEFFECT_NONE, all, DROPEFFECT_MOVE, 0, &optimized), drDropMove);
  EXPECT_TRUE(optimized);
  // A plain move (the effect and the feedback agree): the caller completes it.
  EXPECT_EQ(DragResultOf(DRAGDROP_S_DROP, DROPEFFECT_MOVE, all, DROPEFFECT_MOVE, 0, &optimized), drDropMove);
  EXPECT_FALSE(optimized);
  EXPECT_EQ(DragResultOf(DRAGDROP_S_DROP, DROPEFFECT_COPY, all, DROPEFFECT_COPY, DROPEFFECT_MOVE, &optimized),
            drDropMove);
  EXPECT_TRUE(optimized);
  // An effect that was not offered, and several effects at once.
  EXPECT_EQ(DragResultOf(DRAGDROP_S_DROP, DROPEFFECT_LINK, DROPEFFECT_COPY, 0, 0), drCancel);
  EXPECT_EQ(DragResultOf(DRAGDROP_S_DROP, all, all, 0, 0), drUnknown);
  EXPECT_EQ(DragResultOf(DRAGDROP_S_CANCEL, DROPEFFECT_COPY, all, DROPEFFECT_MOVE, 0), drCancel);
  EXPECT_EQ(DragResultOf(E_OUTOFMEMORY, 0, all, 0, 0), drOutMemory);
  EXPECT_EQ(DragResultOf(E_UNEXPECTED, 0, all, 0, 0), drUnknown);

  EXPECT_EQ(DragTypesToDropEffects(DragTypeBit(dtCopy) | DragTypeBit(dtLink)),
            DWORD{DROPEFFECT_COPY | DROPEFFECT_LINK});
  EXPECT_EQ(DropEffectToDragResult(3), drUnknown);
}

TEST_F(DropSource, PerformDragMapsWhatTheTargetAnsweredAndWrote) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  s.SetDragTypes(DragTypeBit(dtCopy) | DragTypeBit(dtMove) | DragTypeBit(dtLink));
  TAfterDrop after;
  s.OnAfterDrop = TAfterDropEvent(&after, &TAfterDrop::Handler);
  TScriptedDrag drag;
  Script(s, drag);

  struct Case {
    DWORD Show, Performed, DropEffect;
    TDragResult Result;
    bool Optimized;
  } cases[] = {
      {DROPEFFECT_COPY, DROPEFFECT_COPY, DROPEFFECT_COPY, drDropCopy, false},
      {DROPEFFECT_MOVE, DROPEFFECT_MOVE, DROPEFFECT_NONE, drDropMove, true},
      {DROPEFFECT_MOVE, DROPEFFECT_MOVE, DROPEFFECT_MOVE, drDropMove, false},
      {DROPEFFECT_LINK, ~DWORD{0}, DROPEFFECT_LINK, drDropLink, false},
  };
  for (const Case& c : cases) {
    drag.ShowEffect = c.Show;
    drag.Performed = c.Performed;
    drag.DropEffect = c.DropEffect;
    after = TAfterDrop{};
    EXPECT_EQ(s.PerformDrag(), c.Result) << c.Show;
    EXPECT_EQ(drag.OkEffects, DWORD{7});
    EXPECT_EQ(drag.Continue, DRAGDROP_S_DROP);
    ASSERT_EQ(after.Calls, 1);
    EXPECT_EQ(after.Result, c.Result);
    EXPECT_EQ(after.Optimized, c.Optimized) << c.Show;
    // Not reported becomes 0 once the drag is over.
    EXPECT_EQ(s.GetPerformedDropEffect(), c.Performed == ~DWORD{0} ? 0 : c.Performed);
    EXPECT_FALSE(s.GetInShellDragLoop());
  }
  EXPECT_EQ(s.OutstandingReferences(), 0);
}

TEST_F(DropSource, FeedbackOfOneDragDoesNotLeakIntoTheNext) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  s.SetDragTypes(DragTypeBit(dtCopy) | DragTypeBit(dtMove));
  TScriptedDrag drag;
  Script(s, drag);
  // A shell target reports the move it carried out and its paste result...
  drag.ShowEffect = DROPEFFECT_MOVE;
  drag.Logical = DROPEFFECT_MOVE;
  drag.DropEffect = DROPEFFECT_NONE;
  drag.DuringDrag = [](IDataObject* d) {
    CLSID target{0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
    FORMATETC fe{FormatId("TargetCLSID"), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM m{};
    m.tymed = TYMED_HGLOBAL;
    m.hGlobal = test::GlobalFromBytes(std::string(reinterpret_cast<const char*>(&target), sizeof target));
    d->SetData(&fe, &m, TRUE);
  };
  EXPECT_EQ(s.PerformDrag(), drDropMove);
  EXPECT_EQ(s.GetLogicalPerformedDropEffect(), DWORD{DROPEFFECT_MOVE});
  EXPECT_NE(s.GetTargetCLSID(), CLSID{});

  // ...the next target writes nothing and copies: that is no move, and nothing old is offered.
  drag = TScriptedDrag{};
  bool sawOldTarget = true;
  drag.DuringDrag = [&](IDataObject* d) {
    std::string bytes;
    sawOldTarget = GetBytes(d, FormatId("TargetCLSID"), TYMED_HGLOBAL, bytes);
  };
  EXPECT_EQ(s.PerformDrag(), drDropCopy);
  EXPECT_EQ(s.GetLogicalPerformedDropEffect(), 0u);
  EXPECT_EQ(s.GetTargetCLSID(), CLSID{});
  EXPECT_FALSE(sawOldTarget);
  EXPECT_EQ(s.GetPerformedDropEffect(), 0u);
}

TEST_F(DropSource, QueryContinueDragDropsOnlyAnOfferedShownEffect) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  s.SetDragTypes(DragTypeBit(dtMove));
  IDropSource* src = s.AsDropSource();
  int drops = 0;
  struct TOnDrop {
    int* Count;
    bool Veto = false;
    TDragType Type = dtLink;
    void Handler(TObject*, TDragType t, bool& go) {
      ++*Count;
      Type = t;
      if (Veto) go = false;
    }
  } onDrop{&drops};
  s.OnDrop = TDropEvent(&onDrop, &TOnDrop::Handler);

  EXPECT_EQ(src->QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(src->QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
  EXPECT_EQ(src->QueryContinueDrag(FALSE, MK_RBUTTON), S_OK);
  // Released over nothing that accepts: no drop, and OnDrop is not asked.
  s.SetInShellDragLoop(true);
  EXPECT_EQ(src->GiveFeedback(DROPEFFECT_NONE), DRAGDROP_S_USEDEFAULTCURSORS);
  EXPECT_EQ(src->QueryContinueDrag(FALSE, 0), DRAGDROP_S_CANCEL);
  EXPECT_EQ(drops, 0);
  EXPECT_FALSE(s.GetInShellDragLoop());
  // Copy is shown but only move is offered.
  src->GiveFeedback(DROPEFFECT_COPY);
  EXPECT_EQ(src->QueryContinueDrag(FALSE, 0), DRAGDROP_S_CANCEL);
  EXPECT_EQ(drops, 0);
  // Copy is tested before move.
  src->GiveFeedback(DROPEFFECT_MOVE | DROPEFFECT_LINK);
  EXPECT_EQ(src->QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
  EXPECT_EQ(drops, 1);
  EXPECT_EQ(onDrop.Type, dtMove);
  onDrop.Veto = true;
  EXPECT_EQ(src->QueryContinueDrag(FALSE, 0), DRAGDROP_S_CANCEL);
  EXPECT_EQ(drops, 2);
  EXPECT_EQ(s.FeedbackEffect(), DWORD{DROPEFFECT_MOVE | DROPEFFECT_LINK});

  struct TCursors {
    void Handler(TObject*, int, bool& useDefault) { useDefault = false; }
  } cursors;
  s.OnFeedback = TFeedbackEvent(&cursors, &TCursors::Handler);
  EXPECT_EQ(src->GiveFeedback(DROPEFFECT_MOVE), S_OK);
}

// ---------------------------------------------------------------------------------------------
// Data object

TEST_F(DropSource, EnumeratesTheFileFormatsInTheirPublishedOrder) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  auto get = Enumerate(s.AsDataObject(), DATADIR_GET);
  EXPECT_EQ(get.Names,
            (std::vector<std::string>{"InShellDragLoop", "Preferred DropEffect", "CF_HDROP", "Shell IDList Array",
                                      "FileNameW", "FileName", "FileNameMapW", "FileNameMap"}));
  for (const FORMATETC& fe : get.Formats) {
    EXPECT_EQ(fe.tymed, DWORD{TYMED_HGLOBAL | TYMED_ISTREAM});
    EXPECT_EQ(fe.dwAspect, DWORD{DVASPECT_CONTENT});
    EXPECT_EQ(fe.lindex, -1);
    EXPECT_EQ(fe.ptd, nullptr);
  }
  auto set = Enumerate(s.AsDataObject(), DATADIR_SET);
  EXPECT_EQ(set.Names, (std::vector<std::string>{"Logical Performed DropEffect", "TargetCLSID", "Paste Succeeded",
                                                 "Performed DropEffect"}));
  IEnumFORMATETC* e = reinterpret_cast<IEnumFORMATETC*>(0x1);
  EXPECT_EQ(s.EnumFormatEtc(3, &e), E_NOTIMPL);
  EXPECT_EQ(e, nullptr);
  EXPECT_EQ(s.OutstandingReferences(), 0);
}

TEST_F(DropSource, EnumeratorNextSkipResetAndCloneKeepTheirPlace) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  IEnumFORMATETC* e = nullptr;
  ASSERT_EQ(s.EnumFormatEtc(DATADIR_GET, &e), S_OK);
  FORMATETC fe[10];
  ULONG got = 99;
  EXPECT_EQ(e->Next(3, fe, &got), S_OK);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(test::FormatName(fe[2].cfFormat), "CF_HDROP");
  IEnumFORMATETC* clone = nullptr;
  ASSERT_EQ(e->Clone(&clone), S_OK);
  EXPECT_EQ(e->Skip(2), S_OK);
  EXPECT_EQ(e->Next(10, fe, &got), S_FALSE);  // fewer than asked
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(test::FormatName(fe[0].cfFormat), "FileName");
  // The clone stayed where the original was when it was made.
  ASSERT_EQ(clone->Next(1, fe, nullptr), S_OK);
  EXPECT_EQ(test::FormatName(fe[0].cfFormat), "Shell IDList Array");
  // Skipping past the end leaves the enumerator at its end.
  EXPECT_EQ(clone->Skip(100), S_FALSE);
  got = 99;
  EXPECT_EQ(clone->Next(1, fe, &got), S_FALSE);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(clone->Reset(), S_OK);
  ASSERT_EQ(clone->Next(1, fe, &got), S_OK);
  EXPECT_EQ(test::FormatName(fe[0].cfFormat), "InShellDragLoop");
  EXPECT_EQ(clone->Skip(8), S_FALSE);

  // Each enumerator counts its own references and the last release frees it.
  EXPECT_EQ(e->AddRef(), 2u);
  IUnknown* unk = nullptr;
  ASSERT_EQ(e->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk)), S_OK);
  EXPECT_EQ(unk->Release(), 2u);
  EXPECT_EQ(e->Release(), 1u);
  EXPECT_EQ(e->Release(), 0u);
  EXPECT_EQ(clone->Release(), 0u);
  EXPECT_EQ(s.OutstandingReferences(), 0);
}

TEST_F(DropSource, AnswersEveryListedFormatButServesOnlyHeldData) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  IDataObject* d = s.AsDataObject();
  for (DWORD dir : {DATADIR_GET, DATADIR_SET})
    for (FORMATETC fe : Enumerate(d, dir).Formats)
      EXPECT_EQ(d->QueryGetData(&fe), S_OK) << test::FormatName(fe.cfFormat);
  FORMATETC unknown{FormatId("Korv Unknown"), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  EXPECT_EQ(d->QueryGetData(&unknown), DV_E_FORMATETC);
  FORMATETC otherAspect{CF_HDROP, nullptr, DVASPECT_ICON, -1, TYMED_HGLOBAL};
  EXPECT_EQ(d->QueryGetData(&otherAspect), DV_E_FORMATETC);

  // Nothing held: no file format is served, and no feedback before a drag.
  std::string bytes;
  HRESULT hr = S_OK;
  for (const char* name : {"FileName", "FileNameW", "Shell IDList Array", "FileNameMap", "Preferred DropEffect"}) {
    EXPECT_FALSE(GetBytes(d, FormatId(name), TYMED_HGLOBAL, bytes, &hr)) << name;
    EXPECT_EQ(hr, DV_E_FORMATETC) << name;
  }
  EXPECT_FALSE(GetBytes(d, CF_HDROP, TYMED_HGLOBAL, bytes, &hr));
  EXPECT_EQ(hr, DV_E_FORMATETC);
  // Files but no mapped names: the map formats are still answered, but not served.
  s.Files()->Add("C:\\a.txt");
  FORMATETC map{FormatId("FileNameMapW"), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  EXPECT_EQ(d->QueryGetData(&map), S_OK);
  EXPECT_FALSE(GetBytes(d, map.cfFormat, TYMED_HGLOBAL, bytes, &hr));
  EXPECT_TRUE(GetBytes(d, CF_HDROP, TYMED_HGLOBAL, bytes));
  // A medium the formats do not have.
  EXPECT_FALSE(GetBytes(d, CF_HDROP, TYMED_FILE, bytes, &hr));
  EXPECT_EQ(hr, DV_E_FORMATETC);

  STGMEDIUM m{};
  FORMATETC in{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, out{};
  std::memset(&out, 0x5A, sizeof out);
  FORMATETC untouched = out;
  EXPECT_EQ(d->GetDataHere(&in, &m), E_NOTIMPL);
  EXPECT_EQ(d->GetCanonicalFormatEtc(&in, &out), DATA_S_SAMEFORMATETC);
  EXPECT_EQ(std::memcmp(&out, &untouched, sizeof out), 0);
  DWORD connection = 7;
  EXPECT_EQ(d->DAdvise(&in, 0, nullptr, &connection), OLE_E_ADVISENOTSUPPORTED);
  EXPECT_EQ(connection, 0u);
  EXPECT_EQ(d->DUnadvise(1), OLE_E_ADVISENOTSUPPORTED);
  IEnumSTATDATA* advise = reinterpret_cast<IEnumSTATDATA*>(0x1);
  EXPECT_EQ(d->EnumDAdvise(&advise), OLE_E_ADVISENOTSUPPORTED);
  EXPECT_EQ(advise, nullptr);
}

TEST_F(DropSource, ATargetsPrivateFormatIsKeptRewrittenAndServedAgain) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  s.Files()->Add("C:\\a.txt");
  IDataObject* d = s.AsDataObject();
  const CLIPFORMAT first = FormatId("Korv Private One"), second = FormatId("Korv Private Two");
  auto write = [&](CLIPFORMAT cf, const std::string& bytes) {
    FORMATETC fe{cf, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM m{};
    m.tymed = TYMED_HGLOBAL;
    m.hGlobal = test::GlobalFromBytes(bytes);
    return d->SetData(&fe, &m, TRUE);
  };
  ASSERT_EQ(write(first, "one"), S_OK);
  ASSERT_EQ(write(second, "two"), S_OK);
  std::string bytes;
  // Served as often as asked, not just once.
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(GetBytes(d, first, TYMED_HGLOBAL, bytes)) << i;
    EXPECT_EQ(bytes, "one");
  }
  // Written again: the new value replaces the old one and is not lost.
  ASSERT_EQ(write(first, "uno"), S_OK);
  ASSERT_TRUE(GetBytes(d, first, TYMED_HGLOBAL, bytes));
  EXPECT_EQ(bytes, "uno");
  ASSERT_TRUE(GetBytes(d, first, TYMED_HGLOBAL, bytes));
  EXPECT_EQ(bytes, "uno");
  ASSERT_TRUE(GetBytes(d, second, TYMED_HGLOBAL, bytes));
  EXPECT_EQ(bytes, "two");
  EXPECT_EQ(s.RawDataFormat().CompatibleFormats().Count(), 2);
  // Only the first format a target wrote is listed, after the feedback formats.
  auto names = Enumerate(d, DATADIR_GET).Names;
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[2], "Korv Private One");
  EXPECT_EQ(std::count(names.begin(), names.end(), "Korv Private Two"), 0);
  FORMATETC q{second, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  EXPECT_EQ(d->QueryGetData(&q), S_OK);
  // The files are unaffected.
  EXPECT_EQ(test::ReadHDrop(d), (std::vector<std::string>{"C:\\a.txt"}));

  // A private format for a target device is not kept (the device record is the caller's).
  DVTARGETDEVICE device{};
  device.tdSize = sizeof device;
  FORMATETC withDevice{FormatId("Korv Private Three"), &device, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM m{};
  m.tymed = TYMED_HGLOBAL;
  m.hGlobal = test::GlobalFromBytes("x");
  EXPECT_EQ(d->SetData(&withDevice, &m, TRUE), E_NOTIMPL);
  ReleaseStgMedium(&m);  // refused: still the caller's
  EXPECT_EQ(s.RawDataFormat().CompatibleFormats().Count(), 2);
}

// A target's formats are for its own transfer. On Windows the shell writes its drag window and
// drag image into the source: served again, they would reach the next target dead and stale.
TEST_F(DropSource, FormatsATargetWroteAreDroppedAtTheNextDragAndClipboardCopy) {
  test::ClearClipboard();
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  s.Files()->Add("C:\\a.txt");
  const CLIPFORMAT window = FormatId("DragWindow");
  std::string bytes;
  TScriptedDrag drag;
  Script(s, drag);
  drag.DuringDrag = [&](IDataObject* d) { EXPECT_EQ(test::WriteBytes(d, window, "hwnd"), S_OK); };
  EXPECT_EQ(s.PerformDrag(), drDropCopy);
  EXPECT_TRUE(GetBytes(s.AsDataObject(), window, TYMED_HGLOBAL, bytes)) << "kept for its own transfer";
  bool served = true;
  drag.DuringDrag = [&](IDataObject* d) { served = GetBytes(d, window, TYMED_HGLOBAL, bytes); };
  EXPECT_EQ(s.PerformDrag(), drDropCopy);
  EXPECT_FALSE(served) << "the next drag was offered the last target's format";

  ASSERT_EQ(test::WriteBytes(s.AsDataObject(), window, "hwnd"), S_OK);
  ASSERT_TRUE(s.CopyToClipboard());
  IDataObject* clip = nullptr;
  ASSERT_EQ(OleGetClipboard(&clip), S_OK);
  EXPECT_FALSE(GetBytes(clip, window, TYMED_HGLOBAL, bytes)) << "the clipboard was offered it";
  EXPECT_EQ(test::ReadHDrop(clip), (std::vector<std::string>{"C:\\a.txt"}));
  clip->Release();
  s.EmptyClipboard();
}

TEST_F(DropSource, APrivateFormatOnAMediumThatCannotBeCopiedIsRefused) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  IDataObject* d = s.AsDataObject();
  // A bitmap has no copy of its own: keeping it would share the caller's handle, which the
  // caller (or the fRelease rule) deletes.
  HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
  ASSERT_NE(bitmap, nullptr);
  FORMATETC fe{FormatId("Korv Private Bitmap"), nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
  STGMEDIUM m{};
  m.tymed = TYMED_GDI;
  m.hBitmap = bitmap;
  EXPECT_EQ(d->SetData(&fe, &m, FALSE), E_NOTIMPL);
  EXPECT_EQ(s.RawDataFormat().CompatibleFormats().Count(), 0);
  EXPECT_EQ(d->QueryGetData(&fe), DV_E_FORMATETC);
  EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));  // still the caller's
  // Refused although given with ownership: a failed call leaves the medium with the caller.
  EXPECT_EQ(d->SetData(&fe, &m, TRUE), E_NOTIMPL);
  EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
  EXPECT_EQ(s.RawDataFormat().CompatibleFormats().Count(), 0);
  ReleaseStgMedium(&m);
  EXPECT_EQ(GetObjectType(bitmap), 0u);
}

// A stream whose references the test can count.
class TCountedStream : public TStreamAdapter {
 public:
  explicit TCountedStream(const std::string& bytes) : TStreamAdapter(new TMemoryStream(), TStreamOwnership::soOwned) {
    FStream->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    FStream->SetPosition(0);
  }
  [[nodiscard]] LONG Refs() const noexcept { return FRefCount; }
};

TEST_F(DropSource, SetDataReleasesTheMediumOnceOnlyWhenItIsGivenOwnership) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  IDataObject* d = s.AsDataObject();
  DWORD value = DROPEFFECT_MOVE;
  auto* stream = new TCountedStream(std::string(reinterpret_cast<const char*>(&value), 4));
  FORMATETC fe{FormatId("Performed DropEffect"), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
  STGMEDIUM m{};
  m.tymed = TYMED_ISTREAM;
  m.pstm = stream;
  stream->AddRef();  // the test's own reference
  EXPECT_EQ(d->SetData(&fe, &m, FALSE), S_OK);
  EXPECT_EQ(stream->Refs(), 2);  // still the caller's
  EXPECT_EQ(s.GetPerformedDropEffect(), DWORD{DROPEFFECT_MOVE});
  EXPECT_EQ(d->SetData(&fe, &m, TRUE), S_OK);
  EXPECT_EQ(stream->Refs(), 1);  // released once, by the data object
  // A private format kept from a stream shares that stream and lets go of it with the component.
  FORMATETC priv{FormatId("Korv Private Stream"), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
  m.tymed = TYMED_ISTREAM;
  m.pstm = stream;
  stream->AddRef();
  EXPECT_EQ(d->SetData(&priv, &m, TRUE), S_OK);
  EXPECT_EQ(stream->Refs(), 2);  // the test's and the kept copy's
  // A refused medium stays the caller's even when given with ownership: the caller frees it
  // after the failure, once.
  FORMATETC hdrop{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
  auto* bad = new TCountedStream("xx");
  bad->AddRef();
  m.tymed = TYMED_ISTREAM;  // (ReleaseStgMedium emptied the record)
  m.pstm = bad;
  EXPECT_EQ(d->SetData(&hdrop, &m, TRUE), E_INVALIDARG);
  EXPECT_EQ(bad->Refs(), 2);
  ReleaseStgMedium(&m);
  EXPECT_EQ(bad->Refs(), 1);
  bad->Release();
  s.RawDataFormat().Clear();
  EXPECT_EQ(stream->Refs(), 1);
  stream->Release();
}

// ---------------------------------------------------------------------------------------------
// Nothing leaves a COM method

// A source whose clipboard flush fails, as OleFlushClipboard can.
class TFailingFlushSource : public TDropFileSource {
 public:
  explicit TFailingFlushSource(TComponent* owner) : TDropFileSource(owner) {}
  void FlushClipboard() override {
    ++Flushes;
    if (Fail) throw EOleError("flush failed");
  }
  bool Fail = true;
  int Flushes = 0;
};

struct TThrower {
  void Data(TObject*, const FORMATETC&, STGMEDIUM& m, bool&) {
    m.tymed = TYMED_HGLOBAL;
    m.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 8);  // half-made when the handler fails
    throw std::runtime_error("get data failed");
  }
  void Feedback(TObject*, int, bool&) { throw std::runtime_error("feedback failed"); }
  void Drop(TObject*, TDragType, bool&) { throw Exception("drop failed"); }
  void Paste(TObject*, TDragResult, bool) { throw Exception("paste failed"); }
  void After(TObject*, TDragResult, bool) { throw Exception("after failed"); }
};

TEST_F(DropSource, ExceptionsOfHandlersAndOfTheClipboardStayInsideCOMCalls) {
  const std::unique_ptr<TFailingFlushSource> sPtr(NewComponent<TFailingFlushSource>(nullptr));
  TFailingFlushSource& s = *sPtr;
  IDataObject* d = s.AsDataObject();
  // Outside COM a failing flush reaches the caller, and the list is not changed...
  EXPECT_THROW(s.Files()->Add("C:\\a.txt"), EOleError);
  EXPECT_EQ(s.Files()->Count(), 0);
  // ...inside COM it is swallowed: a target that writes a file name still gets S_OK.
  std::string name("C:\\b.txt", 9);
  FORMATETC fe{FormatId("FileName"), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM m{};
  m.tymed = TYMED_HGLOBAL;
  m.hGlobal = test::GlobalFromBytes(name);
  EXPECT_EQ(d->SetData(&fe, &m, TRUE), S_OK);
  EXPECT_GT(s.Flushes, 0);
  ASSERT_EQ(s.Files()->Count(), 1);
  EXPECT_EQ(s.Files()->Get(0), "C:\\b.txt");
  // The same holds when the drag loop ends (QueryContinueDrag changes the feedback).
  int before = s.Flushes;
  s.AsDropSource()->GiveFeedback(DROPEFFECT_COPY);
  EXPECT_EQ(s.AsDropSource()->QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
  EXPECT_GT(s.Flushes, before);
  s.Fail = false;

  TThrower t;
  s.OnGetData = TDropDataEvent(&t, &TThrower::Data);
  FORMATETC hdrop{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM out{};
  out.tymed = 77;
  EXPECT_EQ(d->GetData(&hdrop, &out), E_UNEXPECTED);
  EXPECT_EQ(out.tymed, DWORD{TYMED_NULL});  // the half-made medium was released
  s.OnGetData = nullptr;

  s.OnFeedback = TFeedbackEvent(&t, &TThrower::Feedback);
  EXPECT_EQ(s.AsDropSource()->GiveFeedback(DROPEFFECT_COPY), E_UNEXPECTED);
  s.OnFeedback = nullptr;
  s.OnDrop = TDropEvent(&t, &TThrower::Drop);
  EXPECT_EQ(s.AsDropSource()->QueryContinueDrag(FALSE, 0), E_UNEXPECTED);

  // A drag whose drop failed that way ends as an unknown outcome.
  TScriptedDrag drag;
  Script(s, drag);
  EXPECT_EQ(s.PerformDrag(), drUnknown);
  s.OnDrop = nullptr;

  // A paste report whose handler fails: the error code, and the medium left with the caller.
  s.OnPaste = TPasteEvent(&t, &TThrower::Paste);
  DWORD value = DROPEFFECT_COPY;
  auto* stream = new TCountedStream(std::string(reinterpret_cast<const char*>(&value), 4));
  stream->AddRef();
  FORMATETC paste{FormatId("Paste Succeeded"), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
  STGMEDIUM pm{};
  pm.tymed = TYMED_ISTREAM;
  pm.pstm = stream;
  EXPECT_EQ(d->SetData(&paste, &pm, TRUE), E_UNEXPECTED);
  EXPECT_EQ(stream->Refs(), 2);
  ReleaseStgMedium(&pm);
  EXPECT_EQ(stream->Refs(), 1);
  stream->Release();

  s.SetAllowAsyncTransfer(true);
  s.OnAfterDrop = TAfterDropEvent(&t, &TThrower::After);
  IAsyncOperation* async = s.AsAsyncOperation();
  ASSERT_EQ(async->SetAsyncMode(TRUE), S_OK);
  ASSERT_EQ(async->StartOperation(nullptr), S_OK);
  EXPECT_EQ(async->EndOperation(S_OK, nullptr, DROPEFFECT_COPY), E_UNEXPECTED);
  EXPECT_FALSE(s.InAsyncOperation());
  EXPECT_EQ(s.OutstandingReferences(), 0);
}

// ---------------------------------------------------------------------------------------------
// Paste report and asynchronous transfer

TEST_F(DropSource, APasteReportTellsWhetherTheOriginalsMayBeDeleted) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  struct TPaste {
    int Calls = 0;
    TDragResult Action = drUnknown;
    bool Delete = true;
    void Handler(TObject*, TDragResult a, bool del) {
      ++Calls;
      Action = a;
      Delete = del;
    }
  } paste;
  s.OnPaste = TPasteEvent(&paste, &TPaste::Handler);
  IDataObject* d = s.AsDataObject();
  ASSERT_EQ(WriteDWORD(d, "Performed DropEffect", DROPEFFECT_MOVE), S_OK);
  ASSERT_EQ(WriteDWORD(d, "Paste Succeeded", DROPEFFECT_MOVE), S_OK);
  EXPECT_EQ(paste.Calls, 1);
  EXPECT_EQ(paste.Action, drDropMove);
  EXPECT_TRUE(paste.Delete);
  ASSERT_EQ(WriteDWORD(d, "Performed DropEffect", DROPEFFECT_COPY), S_OK);
  ASSERT_EQ(WriteDWORD(d, "Paste Succeeded", DROPEFFECT_MOVE), S_OK);
  EXPECT_EQ(paste.Calls, 2);
  EXPECT_FALSE(paste.Delete);
  ASSERT_EQ(WriteDWORD(d, "Paste Succeeded", DROPEFFECT_COPY), S_OK);
  EXPECT_EQ(paste.Action, drDropCopy);
  EXPECT_FALSE(paste.Delete);
  // Other feedback formats report nothing.
  ASSERT_EQ(WriteDWORD(d, "Logical Performed DropEffect", DROPEFFECT_MOVE), S_OK);
  EXPECT_EQ(paste.Calls, 3);
}

TEST_F(DropSource, AnAsynchronousTargetReportsTheOutcomeWhenItEnds) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  s.SetDragTypes(DragTypeBit(dtCopy) | DragTypeBit(dtMove));
  IAsyncOperation* async = nullptr;
  ASSERT_EQ(s.QueryInterface(IID_IAsyncOperation, reinterpret_cast<void**>(&async)), S_OK);
  BOOL flag = 5;
  // Not allowed: the target cannot switch to asynchronous mode.
  EXPECT_EQ(async->SetAsyncMode(TRUE), E_NOTIMPL);
  EXPECT_EQ(async->GetAsyncMode(&flag), S_OK);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(async->StartOperation(nullptr), E_NOTIMPL);
  EXPECT_EQ(async->EndOperation(S_OK, nullptr, DROPEFFECT_COPY), E_FAIL);

  s.SetAllowAsyncTransfer(true);
  TAfterDrop after;
  s.OnAfterDrop = TAfterDropEvent(&after, &TAfterDrop::Handler);
  TScriptedDrag drag;
  drag.DuringDrag = [&](IDataObject* d) {
    IAsyncOperation* a = nullptr;
    ASSERT_EQ(d->QueryInterface(IID_IAsyncOperation, reinterpret_cast<void**>(&a)), S_OK);
    BOOL mode = 0;
    a->GetAsyncMode(&mode);
    EXPECT_EQ(mode, -1);  // the drag switched it on
    EXPECT_EQ(a->StartOperation(nullptr), S_OK);
    a->Release();
  };
  Script(s, drag);
  EXPECT_EQ(s.PerformDrag(), drDropCopy);
  EXPECT_EQ(after.Calls, 0);  // reported when the operation ends
  EXPECT_EQ(async->InOperation(&flag), S_OK);
  EXPECT_EQ(flag, -1);
  EXPECT_EQ(async->EndOperation(S_OK, nullptr, DROPEFFECT_MOVE | DROPEFFECT_LINK), S_OK);
  ASSERT_EQ(after.Calls, 1);
  EXPECT_EQ(after.Result, drDropMove);
  EXPECT_TRUE(after.Optimized);  // the performed effect was not MOVE
  EXPECT_EQ(async->InOperation(&flag), S_OK);
  EXPECT_EQ(flag, 0);
  // A failed operation is an unknown outcome.
  ASSERT_EQ(async->StartOperation(nullptr), S_OK);
  EXPECT_EQ(async->EndOperation(E_FAIL, nullptr, DROPEFFECT_COPY), S_OK);
  EXPECT_EQ(after.Result, drUnknown);
  // Switching the permission off ends both modes.
  ASSERT_EQ(async->StartOperation(nullptr), S_OK);
  s.SetAllowAsyncTransfer(false);
  EXPECT_FALSE(s.AsyncMode());
  EXPECT_FALSE(s.InAsyncOperation());
  async->Release();
  EXPECT_EQ(s.OutstandingReferences(), 0);
}

TEST_F(DropSource, AnswersItsInterfacesWithOneIdentity) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  IUnknown* a = nullptr;
  IUnknown* b = nullptr;
  IDropSource* ds = nullptr;
  ASSERT_EQ(s.AsDataObject()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a)), S_OK);
  ASSERT_EQ(s.AsDataObject()->QueryInterface(IID_IDropSource, reinterpret_cast<void**>(&ds)), S_OK);
  ASSERT_EQ(ds->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b)), S_OK);
  EXPECT_EQ(a, b);
  EXPECT_EQ(ds, s.AsDropSource());
  EXPECT_EQ(s.OutstandingReferences(), 3);
  IStream* none = reinterpret_cast<IStream*>(0x1);
  EXPECT_EQ(s.QueryInterface(IID_IStream, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  a->Release();
  b->Release();
  ds->Release();
  EXPECT_EQ(s.OutstandingReferences(), 0);
}

// ---------------------------------------------------------------------------------------------
// Drag image

TImageList* NewImages(TComponent* owner, int count, TColor colour) {
  auto* images = NewComponent<TImageList>(owner, 24, 20);
  for (int i = 0; i < count; ++i) {
    TBitmap bmp;
    bmp.SetSize(24, 20);
    bmp.Canvas()->Brush()->SetColor(colour);
    bmp.Canvas()->FillRect(TRect{0, 0, 24, 20});
    images->Add(&bmp, nullptr);
  }
  return images;
}

// A drag-image object that takes or refuses the bitmap.
class TFakeDragImage : public IDragSourceHelper {
 public:
  explicit TFakeDragImage(HRESULT answer) : Answer(answer) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** obj) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDragSourceHelper)) {
      *obj = static_cast<IDragSourceHelper*>(this);
      AddRef();
      return S_OK;
    }
    *obj = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++Ref); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--Ref); }
  HRESULT STDMETHODCALLTYPE InitializeFromBitmap(LPSHDRAGIMAGE image, IDataObject* data) override {
    Image = *image;
    Data = data;
    return Answer;
  }
  HRESULT STDMETHODCALLTYPE InitializeFromWindow(HWND, POINT*, IDataObject*) override { return E_NOTIMPL; }

  HRESULT Answer;
  LONG Ref = 0;
  SHDRAGIMAGE Image{};
  IDataObject* Data = nullptr;
};

DWORD GdiObjects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

TEST_F(DropSource, TheDragImageObjectKeepsTheBitmapItAccepts) {
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  TImageList* images = NewImages(&owner, 2, clRed);
  images->SetBkColor(clLime);
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(&owner));
  TDropFileSource& s = *sPtr;
  s.SetImages(images);
  s.SetImageIndex(1);
  s.SetShowImage(true);
  s.SetImageHotSpotX(5);
  s.SetImageHotSpotY(6);
  TFakeDragImage helper(S_OK);
  s.CreateDragImageProc = [&](IDragSourceHelper** out) {
    helper.AddRef();
    *out = &helper;
    return S_OK;
  };
  TScriptedDrag drag;
  bool helperDuringDrag = false, listImageDuringDrag = true;
  drag.DuringDrag = [&](IDataObject*) {
    helperDuringDrag = s.DragSourceHelper() == &helper;
    listImageDuringDrag = ImageList_GetDragImage(nullptr, nullptr) != nullptr;
  };
  Script(s, drag);
  EXPECT_EQ(s.PerformDrag(), drDropCopy);
  EXPECT_TRUE(helperDuringDrag);
  EXPECT_FALSE(listImageDuringDrag);
  EXPECT_EQ(helper.Ref, 0);  // released after the drag
  EXPECT_EQ(s.DragSourceHelper(), nullptr);
  EXPECT_EQ(helper.Data, s.AsDataObject());
  EXPECT_EQ(helper.Image.sizeDragImage.cx, 24);
  EXPECT_EQ(helper.Image.sizeDragImage.cy, 20);
  EXPECT_EQ(helper.Image.ptOffset.x, 5);
  EXPECT_EQ(helper.Image.ptOffset.y, 6);
  EXPECT_EQ(helper.Image.crColorKey, ColorToRGB(clLime));
  // The bitmap is the drag-image object's now: still alive, and freed by it, not twice.
  ASSERT_EQ(GetObjectType(helper.Image.hbmpDragImage), DWORD{OBJ_BITMAP});
  BITMAP bm{};
  GetObjectA(helper.Image.hbmpDragImage, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 24);
  EXPECT_EQ(bm.bmHeight, 20);
  // It holds the chosen image.
  {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, helper.Image.hbmpDragImage);
    EXPECT_EQ(GetPixel(dc, 10, 10), ColorToRGB(clRed));
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  EXPECT_TRUE(DeleteObject(helper.Image.hbmpDragImage));
  // Without a background the bitmap is filled with the window colour, which is then the colour
  // key (CLR_NONE would show the fill as an opaque box).
  images->SetBkColor(clNone);
  EXPECT_EQ(s.PerformDrag(), drDropCopy);
  EXPECT_EQ(helper.Image.crColorKey, GetSysColor(COLOR_WINDOW));
  DeleteObject(helper.Image.hbmpDragImage);
}

TEST_F(DropSource, WithoutADragImageObjectTheImageListDrawsTheImage) {
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  TImageList* images = NewImages(&owner, 1, clBlue);
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(&owner));
  TDropFileSource& s = *sPtr;
  s.SetImages(images);
  s.SetShowImage(true);
  TFakeDragImage refusing(E_NOTIMPL);
  s.CreateDragImageProc = [&](IDragSourceHelper** out) {
    refusing.AddRef();
    *out = &refusing;
    return S_OK;
  };
  TScriptedDrag drag;
  bool listImage = false, helper = true;
  POINT hot{-1, -1};
  drag.DuringDrag = [&](IDataObject*) {
    POINT pt;
    listImage = ImageList_GetDragImage(&pt, &hot) != nullptr;
    helper = s.DragSourceHelper() != nullptr;
  };
  Script(s, drag);
  // The bitmap the object refused is freed: nothing is left behind by repeated drags.
  s.PerformDrag();
  DWORD gdi = GdiObjects();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(s.PerformDrag(), drDropCopy);
  EXPECT_EQ(GdiObjects(), gdi);
  EXPECT_TRUE(listImage);
  EXPECT_FALSE(helper);
  EXPECT_EQ(hot.x, 16);  // the hot spot handed to ImageList_BeginDrag
  EXPECT_EQ(hot.y, 16);
  EXPECT_EQ(refusing.Ref, 0);
  // Ended with the drag.
  EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);

  // No drag-image object at all, and no image: the drag runs without one.
  s.CreateDragImageProc = [](IDragSourceHelper**) { return REGDB_E_CLASSNOTREG; };
  EXPECT_EQ(s.PerformDrag(), drDropCopy);
  EXPECT_TRUE(listImage);
  s.SetShowImage(false);
  EXPECT_EQ(s.PerformDrag(), drDropCopy);
  EXPECT_FALSE(listImage);
}

TEST_F(DropSource, ImageSettingsFollowTheImageList) {
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(&owner));
  TDropFileSource& s = *sPtr;
  EXPECT_EQ(s.DragTypes(), DragTypeBit(dtCopy));
  EXPECT_EQ(s.ImageHotSpotX(), 16);
  EXPECT_EQ(s.ImageHotSpotY(), 16);
  EXPECT_FALSE(s.AllowAsyncTransfer());
  // Without an image list nothing can be shown.
  s.SetShowImage(true);
  EXPECT_FALSE(s.ShowImage());
  s.SetImageIndex(3);
  EXPECT_EQ(s.ImageIndex(), 0);

  TImageList* three = NewImages(&owner, 3, clRed);
  s.SetImages(three);
  s.SetShowImage(true);
  EXPECT_TRUE(s.ShowImage());
  s.SetImageIndex(2);
  EXPECT_EQ(s.ImageIndex(), 2);
  s.SetImageIndex(3);  // at or above the count: ignored
  EXPECT_EQ(s.ImageIndex(), 2);
  EXPECT_TRUE(s.ShowImage());
  s.SetImageIndex(-1);
  EXPECT_EQ(s.ImageIndex(), 0);
  EXPECT_FALSE(s.ShowImage());
  s.SetImageIndex(2);
  s.SetShowImage(true);
  // A smaller list: the index falls back to 0; an empty one hides the image.
  TImageList* one = NewImages(&owner, 1, clRed);
  s.SetImages(one);
  EXPECT_EQ(s.ImageIndex(), 0);
  EXPECT_TRUE(s.ShowImage());
  TImageList* empty = NewImages(&owner, 0, clRed);
  s.SetImages(empty);
  EXPECT_FALSE(s.ShowImage());
  // Freeing the image list clears the reference.
  s.SetImages(three);
  s.SetShowImage(true);
  delete three;
  EXPECT_EQ(s.Images(), nullptr);
  EXPECT_FALSE(s.ShowImage());
  // While loading from a form the values are stored as given.
  s.SetComponentState(csLoading);
  s.SetImageIndex(7);
  s.SetShowImage(true);
  EXPECT_EQ(s.ImageIndex(), 7);
  EXPECT_TRUE(s.ShowImage());
  s.SetComponentState(0, csLoading);
}

}  // namespace
}  // namespace korv
