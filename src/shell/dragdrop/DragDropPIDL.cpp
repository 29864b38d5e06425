#include "shell/dragdrop/DragDropPIDL.h"

namespace korv {

bool FilenamesToPIDLs(const TStrings& filenames, TStrings& pidls) {
  std::vector<std::string> out;
  bool ok = false;
  try {
    ok = FilenamesToPIDLs(StringsToVector(filenames), out);
  } catch (...) {
    pidls.Clear();
    throw;
  }
  VectorToStrings(out, pidls);
  return ok;
}

bool CIDAToPIDLs(const void* block, size_t size, TStrings& pidls) {
  std::vector<std::string> out;
  bool ok = ReadCIDA(block, size, out);
  VectorToStrings(out, pidls);
  return ok;
}

// ---------------------------------------------------------------------------------------------
// TPIDLsToFilenamesStrings

KORV_DEFINE_CLASS(TPIDLsToFilenamesStrings, TStrings, nullptr, nullptr);

int TPIDLsToFilenamesStrings::Count() const {
  int n = FPIDLs.Count();
  return n < 2 ? 0 : n - 1;
}

std::string TPIDLsToFilenamesStrings::Get(int index) const {
  if (index < 0 || index >= Count()) throw EStringListError("Filename index out of range");
  return FPaths.Path(FPIDLs.Get(0), FPIDLs.Get(index + 1));
}

void TPIDLsToFilenamesStrings::Assign(const TPersistent* source) {
  if (auto* strings = dynamic_cast<const TStrings*>(source)) {
    std::vector<std::string> names = StringsToVector(*strings);
    std::vector<std::string> pidls;
    try {
      FilenamesToPIDLs(names, pidls);
    } catch (...) {
      pidls.clear();  // an unparsable folder: the conversion failed
    }
    VectorToStrings(pidls, FPIDLs);
    return;
  }
  TStrings::Assign(source);
}

// ---------------------------------------------------------------------------------------------
// TPIDLClipboardFormat

KORV_DEFINE_CLASS(TPIDLClipboardFormat, TCustomSimpleClipboardFormat, &CreateClipboardFormat<TPIDLClipboardFormat>,
                  nullptr);

TPIDLClipboardFormat::TPIDLClipboardFormat()
    : FPIDLs(std::make_unique<TStringList>()), FFilenames(std::make_unique<TPIDLsToFilenamesStrings>(*FPIDLs)) {}

TPIDLClipboardFormat::~TPIDLClipboardFormat() = default;

CLIPFORMAT TPIDLClipboardFormat::GetClipboardFormat() {
  static const CLIPFORMAT cf = RegisterFormatName(CFSTR_SHELLIDLIST);
  return cf;
}

void TPIDLClipboardFormat::Clear() { FPIDLs->Clear(); }
bool TPIDLClipboardFormat::HasData() { return FPIDLs->Count() > 0; }
size_t TPIDLClipboardFormat::GetSize() { return CIDASize(StringViews(*FPIDLs)); }

bool TPIDLClipboardFormat::ReadData(const void* buffer, size_t size) { return CIDAToPIDLs(buffer, size, *FPIDLs); }

bool TPIDLClipboardFormat::WriteData(void* buffer, size_t size) {
  return WriteCIDA(StringViews(*FPIDLs), buffer, size);
}

// ---------------------------------------------------------------------------------------------
// TPIDLDataFormat

KORV_DEFINE_CLASS(TPIDLDataFormat, TCustomDataFormat, &CreateDataFormat<TPIDLDataFormat>, nullptr);

TPIDLDataFormat::TPIDLDataFormat(TComponent* owner, TClass cls)
    : TCustomDataFormat(owner, cls),
      FPIDLs(std::make_unique<TStringList>()),
      FFilenames(std::make_unique<TPIDLsToFilenamesStrings>(*FPIDLs)) {
  FPIDLs->OnChanging = TNotifyEvent(this, &TPIDLDataFormat::PIDLsChanging);
}

TPIDLDataFormat::~TPIDLDataFormat() { FPIDLs->OnChanging = nullptr; }

void TPIDLDataFormat::PIDLsChanging(TObject*) { Changing(); }

void TPIDLDataFormat::Clear() { FPIDLs->Clear(); }

bool TPIDLDataFormat::Assign(TClipboardFormat* clipboardFormat) {
  if (auto* f = dynamic_cast<TPIDLClipboardFormat*>(clipboardFormat)) {
    VectorToStrings(StringsToVector(f->PIDLs()), *FPIDLs);
    return true;
  }
  if (auto* f = dynamic_cast<TFileClipboardFormat*>(clipboardFormat)) {
    std::vector<std::string> pidls;
    bool ok = false;
    try {
      ok = FilenamesToPIDLs(StringsToVector(f->Files()), pidls);
    } catch (...) {
      ok = false;  // an unparsable folder: no ID lists
    }
    VectorToStrings(pidls, *FPIDLs);
    return ok;
  }
  return TCustomDataFormat::Assign(clipboardFormat);
}

bool TPIDLDataFormat::AssignTo(TClipboardFormat* clipboardFormat) {
  if (auto* f = dynamic_cast<TPIDLClipboardFormat*>(clipboardFormat)) {
    VectorToStrings(StringsToVector(*FPIDLs), f->PIDLs());
    return true;
  }
  if (auto* f = dynamic_cast<TFileClipboardFormat*>(clipboardFormat)) {
    VectorToStrings(PIDLsToFilenames(StringViews(*FPIDLs)), f->Files());
    return true;
  }
  return TCustomDataFormat::AssignTo(clipboardFormat);
}

// ---------------------------------------------------------------------------------------------
// Start-up and shut-down

namespace {
int gPIDLUnitCount = 0;
}

void DragDropPIDLStartup() {
  if (gPIDLUnitCount++ != 0) return;
  DragDropFormatsStartup();
  RegisterDataFormat(TPIDLDataFormat::StaticClass());
  RegisterCompatibleFormat(TPIDLDataFormat::StaticClass(), TPIDLClipboardFormat::StaticClass(), 0, fsSource | fsTarget,
                           ddGet);
  RegisterCompatibleFormat(TPIDLDataFormat::StaticClass(), TFileClipboardFormat::StaticClass(), 1, fsSource | fsTarget,
                           ddGet);
}

void DragDropPIDLShutdown() {
  if (gPIDLUnitCount <= 0 || --gPIDLUnitCount != 0) return;
  UnregisterDataFormat(TPIDLDataFormat::StaticClass());
  DragDropFormatsShutdown();
}

}  // namespace korv
