#include "shell/dragdrop/DragDropFile.h"

#include <cstring>

#include "classlib/Streaming.h"

namespace korv {

namespace {

// A UTF-16 name up to its first zero character, in the ANSI code page.
std::string WideNameToAnsi(const std::wstring& s) {
  size_t z = s.find(L'\0');
  return WideToAnsi(std::wstring_view(s).substr(0, z == std::wstring::npos ? s.size() : z));
}

std::vector<std::wstring> WidenAll(const TStrings& list) {
  std::vector<std::wstring> v;
  v.reserve(static_cast<size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) v.push_back(AnsiToWide(list.Get(i)));
  return v;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// "FileName" and "FileNameW"

KORV_DEFINE_CLASS(TFilenameClipboardFormat, TCustomTextClipboardFormat,
                  &CreateClipboardFormat<TFilenameClipboardFormat>, nullptr);

CLIPFORMAT TFilenameClipboardFormat::GetClipboardFormat() {
  static const CLIPFORMAT cf = RegisterFormatName("FileName");
  return cf;
}

bool TFilenameClipboardFormat::Assign(TCustomDataFormat* dataFormat) {
  if (auto* files = dynamic_cast<TFileDataFormat*>(dataFormat)) {
    if (files->Files().Count() == 0) return false;
    SetText(files->Files().Get(0));
    return true;
  }
  return TCustomTextClipboardFormat::Assign(dataFormat);
}

bool TFilenameClipboardFormat::AssignTo(TCustomDataFormat* dataFormat) {
  if (auto* files = dynamic_cast<TFileDataFormat*>(dataFormat)) {
    if (Text().empty()) return false;
    files->Files().Add(Text());
    return true;
  }
  return TCustomTextClipboardFormat::AssignTo(dataFormat);
}

KORV_DEFINE_CLASS(TFilenameWClipboardFormat, TCustomWideTextClipboardFormat,
                  &CreateClipboardFormat<TFilenameWClipboardFormat>, nullptr);

CLIPFORMAT TFilenameWClipboardFormat::GetClipboardFormat() {
  static const CLIPFORMAT cf = RegisterFormatName("FileNameW");
  return cf;
}

bool TFilenameWClipboardFormat::ReadData(const void* buffer, size_t size) {
  if (!TCustomWideTextClipboardFormat::ReadData(buffer, size)) return false;
  size_t z = FData.find(L'\0');
  if (z != std::wstring::npos) FData.resize(z);
  return true;
}

bool TFilenameWClipboardFormat::Assign(TCustomDataFormat* dataFormat) {
  if (auto* files = dynamic_cast<TFileDataFormat*>(dataFormat)) {
    if (files->Files().Count() == 0) return false;
    SetText(AnsiToWide(files->Files().Get(0)));
    return true;
  }
  return TCustomWideTextClipboardFormat::Assign(dataFormat);
}

bool TFilenameWClipboardFormat::AssignTo(TCustomDataFormat* dataFormat) {
  if (auto* files = dynamic_cast<TFileDataFormat*>(dataFormat)) {
    std::string name = WideNameToAnsi(GetText());
    if (name.empty()) return false;
    files->Files().Add(name);
    return true;
  }
  return TCustomWideTextClipboardFormat::AssignTo(dataFormat);
}

// ---------------------------------------------------------------------------------------------
// "FileNameMap" and "FileNameMapW"

KORV_DEFINE_CLASS(TFilenameMapClipboardFormat, TCustomSimpleClipboardFormat,
                  &CreateClipboardFormat<TFilenameMapClipboardFormat>, nullptr);

TFilenameMapClipboardFormat::TFilenameMapClipboardFormat() : FFileMaps(std::make_unique<TStringList>()) {}
TFilenameMapClipboardFormat::~TFilenameMapClipboardFormat() = default;

CLIPFORMAT TFilenameMapClipboardFormat::GetClipboardFormat() {
  static const CLIPFORMAT cf = RegisterFormatName("FileNameMap");
  return cf;
}

void TFilenameMapClipboardFormat::Clear() { FFileMaps->Clear(); }
bool TFilenameMapClipboardFormat::HasData() { return FFileMaps->Count() > 0; }
size_t TFilenameMapClipboardFormat::GetSize() { return NameListSize(NameViews(*FFileMaps)); }

bool TFilenameMapClipboardFormat::ReadData(const void* buffer, size_t size) {
  FFileMaps->Clear();
  std::vector<std::string> names;
  if (!ReadNameList(buffer, size, false, names) || names.empty()) return false;
  VectorToStrings(names, *FFileMaps);
  return true;
}

bool TFilenameMapClipboardFormat::WriteData(void* buffer, size_t size) {
  return WriteNameList(NameViews(*FFileMaps), buffer, size);
}

KORV_DEFINE_CLASS(TFilenameMapWClipboardFormat, TCustomSimpleClipboardFormat,
                  &CreateClipboardFormat<TFilenameMapWClipboardFormat>, nullptr);

TFilenameMapWClipboardFormat::TFilenameMapWClipboardFormat() : FFileMaps(std::make_unique<TStringList>()) {}
TFilenameMapWClipboardFormat::~TFilenameMapWClipboardFormat() = default;

CLIPFORMAT TFilenameMapWClipboardFormat::GetClipboardFormat() {
  static const CLIPFORMAT cf = RegisterFormatName("FileNameMapW");
  return cf;
}

void TFilenameMapWClipboardFormat::Clear() { FFileMaps->Clear(); }
bool TFilenameMapWClipboardFormat::HasData() { return FFileMaps->Count() > 0; }
size_t TFilenameMapWClipboardFormat::GetSize() { return NameListSizeW(WidenAll(*FFileMaps)); }

bool TFilenameMapWClipboardFormat::ReadData(const void* buffer, size_t size) {
  FFileMaps->Clear();
  std::vector<std::string> names;
  if (!ReadNameList(buffer, size, true, names) || names.empty()) return false;
  VectorToStrings(names, *FFileMaps);
  return true;
}

bool TFilenameMapWClipboardFormat::WriteData(void* buffer, size_t size) {
  return WriteNameListW(WidenAll(*FFileMaps), buffer, size);
}

// ---------------------------------------------------------------------------------------------
// TFileDataFormat

KORV_DEFINE_CLASS(TFileDataFormat, TCustomDataFormat, &CreateDataFormat<TFileDataFormat>, nullptr);

TFileDataFormat::TFileDataFormat(TComponent* owner, TClass cls)
    : TCustomDataFormat(owner, cls), FFiles(std::make_unique<TStringList>()) {
  FFiles->OnChanging = TNotifyEvent(this, &TFileDataFormat::FilesChanging);
}

TFileDataFormat::~TFileDataFormat() { FFiles->OnChanging = nullptr; }

void TFileDataFormat::FilesChanging(TObject*) {
  // The owner may still render the old list first (a clipboard flush): the kept block serves it.
  Changing();
  FPIDLBlockBuilt = false;
  FPIDLBlockValid = false;
  std::string().swap(FPIDLBlock);
}

const std::string* TFileDataFormat::PIDLBlock() {
  if (!FPIDLBlockBuilt) {
    FPIDLBlockValid = false;
    FPIDLBlock.clear();
    std::vector<std::string> pidls;
    bool ok = false;
    try {
      ok = FilenamesToPIDLs(StringsToVector(*FFiles), pidls);
    } catch (...) {
      ok = false;  // a folder that cannot be parsed: no ID lists (this runs inside COM calls)
    }
    if (ok) {
      FPIDLBlock.resize(CIDASize(pidls));
      FPIDLBlockValid = WriteCIDA(pidls, FPIDLBlock.data(), FPIDLBlock.size());
    }
    FPIDLBlockBuilt = FFiles->UpdateCount() == 0;
  }
  return FPIDLBlockValid ? &FPIDLBlock : nullptr;
}

TRenderResult TFileDataFormat::RenderData(TClipboardFormat* clipboardFormat, const FORMATETC& formatEtc,
                                          STGMEDIUM& medium) {
  if (dynamic_cast<TFileClipboardFormat*>(clipboardFormat)) {
    const std::vector<std::string_view> names = NameViews(*FFiles);
    const bool ok = TCustomSimpleClipboardFormat::RenderBlock(
        formatEtc, medium, DropFilesSize(names),
        [&names](void* buffer, size_t size) { return WriteDropFiles(names, buffer, size); });
    return ok ? rrRendered : rrFailed;
  }
  if (dynamic_cast<TPIDLClipboardFormat*>(clipboardFormat)) {
    const std::string* block = PIDLBlock();
    if (!block) return rrFailed;
    const bool ok =
        TCustomSimpleClipboardFormat::RenderBlock(formatEtc, medium, block->size(), [block](void* buffer, size_t size) {
          std::memcpy(buffer, block->data(), size);
          return true;
        });
    return ok ? rrRendered : rrFailed;
  }
  return rrPass;
}

bool TFileDataFormat::Assign(TClipboardFormat* clipboardFormat) {
  if (auto* f = dynamic_cast<TFileClipboardFormat*>(clipboardFormat)) {
    FFiles->Assign(&f->Files());
    return true;
  }
  if (auto* f = dynamic_cast<TPIDLClipboardFormat*>(clipboardFormat)) {
    // One path per ID list.
    VectorToStrings(PIDLsToFilenames(StringViews(f->PIDLs())), *FFiles);
    return true;
  }
  if (auto* f = dynamic_cast<TFilenameClipboardFormat*>(clipboardFormat)) return f->AssignTo(this);
  if (auto* f = dynamic_cast<TFilenameWClipboardFormat*>(clipboardFormat)) return f->AssignTo(this);
  return TCustomDataFormat::Assign(clipboardFormat);
}

bool TFileDataFormat::AssignTo(TClipboardFormat* clipboardFormat) {
  if (auto* f = dynamic_cast<TFileClipboardFormat*>(clipboardFormat)) {
    f->Files().Assign(FFiles.get());
    return true;
  }
  if (auto* f = dynamic_cast<TPIDLClipboardFormat*>(clipboardFormat)) {
    // Builds the ID lists; a file the shell cannot parse leaves the format empty.
    f->Filenames().Assign(FFiles.get());
    return true;
  }
  if (auto* f = dynamic_cast<TFilenameClipboardFormat*>(clipboardFormat)) return f->Assign(this);
  if (auto* f = dynamic_cast<TFilenameWClipboardFormat*>(clipboardFormat)) return f->Assign(this);
  return TCustomDataFormat::AssignTo(clipboardFormat);
}

// ---------------------------------------------------------------------------------------------
// TFileMapDataFormat

KORV_DEFINE_CLASS(TFileMapDataFormat, TCustomDataFormat, &CreateDataFormat<TFileMapDataFormat>, nullptr);

TFileMapDataFormat::TFileMapDataFormat(TComponent* owner, TClass cls)
    : TCustomDataFormat(owner, cls), FFileMaps(std::make_unique<TStringList>()) {
  FFileMaps->OnChanging = TNotifyEvent(this, &TFileMapDataFormat::FileMapsChanging);
}

TFileMapDataFormat::~TFileMapDataFormat() { FFileMaps->OnChanging = nullptr; }

void TFileMapDataFormat::FileMapsChanging(TObject*) { Changing(); }

bool TFileMapDataFormat::Assign(TClipboardFormat* clipboardFormat) {
  if (auto* f = dynamic_cast<TFilenameMapClipboardFormat*>(clipboardFormat)) {
    FFileMaps->Assign(&f->FileMaps());
    return true;
  }
  if (auto* f = dynamic_cast<TFilenameMapWClipboardFormat*>(clipboardFormat)) {
    FFileMaps->Assign(&f->FileMaps());
    return true;
  }
  return TCustomDataFormat::Assign(clipboardFormat);
}

bool TFileMapDataFormat::AssignTo(TClipboardFormat* clipboardFormat) {
  if (auto* f = dynamic_cast<TFilenameMapClipboardFormat*>(clipboardFormat)) {
    f->FileMaps().Assign(FFileMaps.get());
    return true;
  }
  if (auto* f = dynamic_cast<TFilenameMapWClipboardFormat*>(clipboardFormat)) {
    f->FileMaps().Assign(FFileMaps.get());
    return true;
  }
  return TCustomDataFormat::AssignTo(clipboardFormat);
}

// ---------------------------------------------------------------------------------------------
// TDropFileSource

namespace {
const TPropInfo kDropFileSourceProps[] = {
    KORV_PROP_OBJECT(TDropFileSource, Files),
    KORV_PROP_OBJECT(TDropFileSource, MappedNames),
};
}  // namespace

KORV_DEFINE_PROPS(TDropFileSource, kDropFileSourceProps);
KORV_DEFINE_CLASS(TDropFileSource, TCustomDropMultiSource, &CreateComponent<TDropFileSource>,
                  &TDropFileSource_PropTable);

TDropFileSource::TDropFileSource(TComponent* owner) : TCustomDropMultiSource(owner) {
  // Without the file formats' pairs a drag would offer no file format and still report success.
  RequireStarted(DragDropUnit, "TDropFileSource");
  FFileDataFormat = new TFileDataFormat(this);
  FFileMapDataFormat = new TFileMapDataFormat(this);
}

TDropFileSource::~TDropFileSource() {
  try {
    EmptyClipboard();
  } catch (...) {
    // Nothing may leave a destructor.
  }
  // The file formats go first (last first, as every data format of the list).
  FreeDataFormats();
  FFileDataFormat = nullptr;
  FFileMapDataFormat = nullptr;
}

void TDropFileSource::SetFiles(const TStrings* value) {
  if (value != &FFileDataFormat->Files()) FFileDataFormat->Files().Assign(value);
}

void TDropFileSource::SetMappedNames(const TStrings* value) {
  if (value != &FFileMapDataFormat->FileMaps()) FFileMapDataFormat->FileMaps().Assign(value);
}

// ---------------------------------------------------------------------------------------------
// Start-up and shut-down

namespace {
int gFileUnitCount = 0;

void StopDragDropUnits() noexcept {
  try {
    DragDropFileShutdown();
  } catch (...) {
    // Nothing is left to report it to at the end of the program.
  }
}
}  // namespace

const TLibraryUnit DragDropUnit{"the drag-and-drop units", kDragDropUnitOrder, &DragDropFileStartup, &StopDragDropUnits,
                                []() noexcept { return gFileUnitCount > 0; }};
// Linked into every program that links this library (its target asks the linker for it).
extern "C" const TLibraryUnitRegistration korv_drag_drop_unit(DragDropUnit);

void DragDropFileStartup() {
  if (gFileUnitCount++ != 0) return;
  DragDropPIDLStartup();
  RegisterDataFormat(TFileDataFormat::StaticClass());
  RegisterDataFormat(TFileMapDataFormat::StaticClass());
  const TFormatScopes both = fsSource | fsTarget;
  TClass files = TFileDataFormat::StaticClass();
  RegisterCompatibleFormat(files, TFileClipboardFormat::StaticClass(), 0, both, ddGet);
  RegisterCompatibleFormat(files, TPIDLClipboardFormat::StaticClass(), 1, both, ddGet);
  RegisterCompatibleFormat(files, TFilenameClipboardFormat::StaticClass(), 2, both, ddGet);
  RegisterCompatibleFormat(files, TFilenameWClipboardFormat::StaticClass(), 2, both, ddGet);
  TClass maps = TFileMapDataFormat::StaticClass();
  RegisterCompatibleFormat(maps, TFilenameMapClipboardFormat::StaticClass(), 0, both, ddGet);
  RegisterCompatibleFormat(maps, TFilenameMapWClipboardFormat::StaticClass(), 0, both, ddGet);
}

void DragDropFileShutdown() {
  if (gFileUnitCount <= 0 || --gFileUnitCount != 0) return;
  UnregisterDataFormat(TFileDataFormat::StaticClass());
  UnregisterDataFormat(TFileMapDataFormat::StaticClass());
  // CF_HDROP's class belongs to the formats unit and the ID list unit pairs it too: its pairs
  // stay while that unit runs (the file data format's own pairs went with it above).
  for (TClass c : {TFilenameClipboardFormat::StaticClass(), TFilenameWClipboardFormat::StaticClass(),
                   TFilenameMapClipboardFormat::StaticClass(), TFilenameMapWClipboardFormat::StaticClass()})
    TClipboardFormat::UnregisterClipboardFormat(c);
  DragDropPIDLShutdown();
}

}  // namespace korv
