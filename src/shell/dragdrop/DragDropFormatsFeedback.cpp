// The drop-effect feedback formats, their data format, and the unit's registrations.
#include <cstring>

#include "shell/dragdrop/DragDropFormats.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// Feedback clipboard formats

#define KORV_NAMED_FORMAT(Cls, Base, Name)                            \
  KORV_DEFINE_CLASS(Cls, Base, &CreateClipboardFormat<Cls>, nullptr); \
  CLIPFORMAT Cls::GetClipboardFormat() {                              \
    static const CLIPFORMAT cf = RegisterFormatName(Name);            \
    return cf;                                                        \
  }

KORV_NAMED_FORMAT(TPreferredDropEffectClipboardFormat, TCustomDWORDClipboardFormat, "Preferred DropEffect")
KORV_NAMED_FORMAT(TPerformedDropEffectClipboardFormat, TCustomDWORDClipboardFormat, "Performed DropEffect")
KORV_NAMED_FORMAT(TLogicalPerformedDropEffectClipboardFormat, TCustomDWORDClipboardFormat,
                  "Logical Performed DropEffect")
KORV_NAMED_FORMAT(TPasteSuccededClipboardFormat, TCustomDWORDClipboardFormat, "Paste Succeeded")
KORV_NAMED_FORMAT(TInShellDragLoopClipboardFormat, TCustomDWORDClipboardFormat, "InShellDragLoop")
KORV_NAMED_FORMAT(TTargetCLSIDClipboardFormat, TCustomSimpleClipboardFormat, "TargetCLSID")

#undef KORV_NAMED_FORMAT

bool TTargetCLSIDClipboardFormat::ReadData(const void* buffer, size_t size) {
  if (size != sizeof(CLSID)) return false;
  std::memcpy(&FCLSID, buffer, sizeof(CLSID));
  return true;
}

bool TTargetCLSIDClipboardFormat::WriteData(void* buffer, size_t size) {
  if (size != sizeof(CLSID)) return false;
  std::memcpy(buffer, &FCLSID, sizeof(CLSID));
  return true;
}

// ---------------------------------------------------------------------------------------------
// TFeedbackDataFormat

KORV_DEFINE_CLASS(TFeedbackDataFormat, TCustomDataFormat, &CreateDataFormat<TFeedbackDataFormat>, nullptr);

void TFeedbackDataFormat::SetPreferredDropEffect(DWORD v) {
  Changing();
  FPreferredDropEffect = v;
}

void TFeedbackDataFormat::SetPerformedDropEffect(DWORD v) {
  Changing();
  FPerformedDropEffect = v;
}

void TFeedbackDataFormat::SetInShellDragLoop(bool v) {
  Changing();
  FInShellDragLoop = v;
}

void TFeedbackDataFormat::Clear() {
  Changing();
  FPreferredDropEffect = 0;
  FPerformedDropEffect = 0;
  FInShellDragLoop = false;
  FGotInShellDragLoop = false;
}

bool TFeedbackDataFormat::HasData() {
  return FPreferredDropEffect != 0 || FPerformedDropEffect != 0 || FPasteSucceeded != 0 || FGotInShellDragLoop;
}

bool TFeedbackDataFormat::NeedsData() {
  return FPreferredDropEffect == 0 || FPerformedDropEffect == 0 || FPasteSucceeded == 0 || !FGotInShellDragLoop;
}

bool TFeedbackDataFormat::Assign(TClipboardFormat* clipboardFormat) {
  if (auto* f = dynamic_cast<TPreferredDropEffectClipboardFormat*>(clipboardFormat)) {
    SetPreferredDropEffect(f->GetValueDWORD());
    return true;
  }
  if (auto* f = dynamic_cast<TPerformedDropEffectClipboardFormat*>(clipboardFormat)) {
    SetPerformedDropEffect(f->GetValueDWORD());
    return true;
  }
  if (auto* f = dynamic_cast<TLogicalPerformedDropEffectClipboardFormat*>(clipboardFormat)) {
    FLogicalPerformedDropEffect = f->GetValueDWORD();
    return true;
  }
  if (auto* f = dynamic_cast<TPasteSuccededClipboardFormat*>(clipboardFormat)) {
    FPasteSucceeded = f->GetValueDWORD();
    return true;
  }
  if (auto* f = dynamic_cast<TInShellDragLoopClipboardFormat*>(clipboardFormat)) {
    SetInShellDragLoop(f->GetValueBoolean());
    FGotInShellDragLoop = true;
    return true;
  }
  if (auto* f = dynamic_cast<TTargetCLSIDClipboardFormat*>(clipboardFormat)) {
    FTargetCLSID = f->GetCLSID();
    return true;
  }
  return TCustomDataFormat::Assign(clipboardFormat);
}

bool TFeedbackDataFormat::AssignTo(TClipboardFormat* clipboardFormat) {
  if (auto* f = dynamic_cast<TPreferredDropEffectClipboardFormat*>(clipboardFormat)) {
    f->SetValueDWORD(FPreferredDropEffect);
    return true;
  }
  if (auto* f = dynamic_cast<TPerformedDropEffectClipboardFormat*>(clipboardFormat)) {
    f->SetValueDWORD(FPerformedDropEffect);
    return true;
  }
  if (auto* f = dynamic_cast<TLogicalPerformedDropEffectClipboardFormat*>(clipboardFormat)) {
    f->SetValueDWORD(FLogicalPerformedDropEffect);
    return true;
  }
  if (auto* f = dynamic_cast<TPasteSuccededClipboardFormat*>(clipboardFormat)) {
    f->SetValueDWORD(FPasteSucceeded);
    return true;
  }
  if (auto* f = dynamic_cast<TInShellDragLoopClipboardFormat*>(clipboardFormat)) {
    f->SetValueBoolean(FInShellDragLoop);
    return true;
  }
  if (auto* f = dynamic_cast<TTargetCLSIDClipboardFormat*>(clipboardFormat)) {
    f->SetCLSID(FTargetCLSID);
    return true;
  }
  return TCustomDataFormat::AssignTo(clipboardFormat);
}

// ---------------------------------------------------------------------------------------------
// Start-up and shut-down

namespace {
int gFormatsUnitCount = 0;
}

void DragDropFormatsStartup() {
  if (gFormatsUnitCount++ != 0) return;
  DragDropStartup();

  RegisterDataFormat(TTextDataFormat::StaticClass());
  RegisterDataFormat(TDataStreamDataFormat::StaticClass());
  RegisterDataFormat(TVirtualFileStreamDataFormat::StaticClass());

  const TFormatScopes both = fsSource | fsTarget;
  RegisterCompatibleFormat(TTextDataFormat::StaticClass(), TTextClipboardFormat::StaticClass(), 0, both, ddGet);
  RegisterCompatibleFormat(TTextDataFormat::StaticClass(), TFileContentsClipboardFormat::StaticClass(), 1, both, ddGet);
  RegisterCompatibleFormat(TTextDataFormat::StaticClass(), TFileGroupDescritorClipboardFormat::StaticClass(), 1,
                           fsSource, ddGet);
  RegisterCompatibleFormat(TTextDataFormat::StaticClass(), TFileGroupDescritorWClipboardFormat::StaticClass(), 1,
                           fsSource, ddGet);

  TClass feedback = TFeedbackDataFormat::StaticClass();
  RegisterCompatibleFormat(feedback, TPreferredDropEffectClipboardFormat::StaticClass(), 0, both, ddGet);
  RegisterCompatibleFormat(feedback, TPerformedDropEffectClipboardFormat::StaticClass(), 0, both, ddSet);
  RegisterCompatibleFormat(feedback, TPasteSuccededClipboardFormat::StaticClass(), 0, both, ddSet);
  RegisterCompatibleFormat(feedback, TInShellDragLoopClipboardFormat::StaticClass(), 0, both, ddGet);
  RegisterCompatibleFormat(feedback, TTargetCLSIDClipboardFormat::StaticClass(), 0, both, ddSet);
  RegisterCompatibleFormat(feedback, TLogicalPerformedDropEffectClipboardFormat::StaticClass(), 0, both, ddSet);

  RegisterCompatibleFormat(TDataStreamDataFormat::StaticClass(), TFileContentsStreamClipboardFormat::StaticClass(), 0,
                           fsTarget, ddGet);
}

void DragDropFormatsShutdown() {
  if (gFormatsUnitCount <= 0 || --gFormatsUnitCount != 0) return;
  UnregisterDataFormat(TTextDataFormat::StaticClass());
  UnregisterDataFormat(TDataStreamDataFormat::StaticClass());
  UnregisterDataFormat(TFeedbackDataFormat::StaticClass());
  UnregisterDataFormat(TVirtualFileStreamDataFormat::StaticClass());
  for (TClass c :
       {TTextClipboardFormat::StaticClass(), TFileContentsClipboardFormat::StaticClass(),
        TFileGroupDescritorClipboardFormat::StaticClass(), TFileGroupDescritorWClipboardFormat::StaticClass(),
        TPreferredDropEffectClipboardFormat::StaticClass(), TPerformedDropEffectClipboardFormat::StaticClass(),
        TPasteSuccededClipboardFormat::StaticClass(), TInShellDragLoopClipboardFormat::StaticClass(),
        TTargetCLSIDClipboardFormat::StaticClass(), TLogicalPerformedDropEffectClipboardFormat::StaticClass(),
        TFileContentsStreamClipboardFormat::StaticClass(), TFileContentsStreamOnDemandClipboardFormat::StaticClass()})
    TClipboardFormat::UnregisterClipboardFormat(c);
  DragDropShutdown();
}

}  // namespace korv
