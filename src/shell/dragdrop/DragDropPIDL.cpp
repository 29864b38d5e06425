#include "shell/dragdrop/DragDropPIDL.h"

#include <cstring>
#include <map>

namespace korv {

namespace {

TComPtr<IShellFolder> DesktopFolder() noexcept {
  TComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.Put()))) desktop.Reset();
  return desktop;
}

TItemIDListPtr ParsePath(IShellFolder* desktop, const std::string& path) {
  TItemIDListPtr pidl;
  if (!desktop) return pidl;
  std::wstring wide = AnsiToWide(path);
  wide.push_back(L'\0');
  LPITEMIDLIST out = nullptr;
  if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, wide.data(), nullptr, &out, nullptr)))
    pidl.Reset(out);
  else if (out)
    CoTaskMemFree(out);
  return pidl;
}

}  // namespace

TItemIDListPtr PathToPIDL(const std::string& path) {
  TComPtr<IShellFolder> desktop = DesktopFolder();
  return ParsePath(desktop.Get(), path);
}

std::string PIDLToString(LPCITEMIDLIST pidl) {
  if (!pidl) return std::string();
  return std::string(reinterpret_cast<const char*>(pidl), IDListSize(pidl));
}

std::string JoinPIDLs(std::string_view parent, std::string_view child) {
  std::string r;
  if (parent.size() > 2) r.assign(parent.data(), parent.size() - 2);
  r.append(child.data(), child.size());
  return r;
}

std::string PIDLToPath(std::string_view idList) {
  size_t len = 0;
  if (!IDListLength(idList.data(), idList.size(), len)) return std::string();
  // A copy with the alignment the shell expects of an ITEMIDLIST.
  std::vector<uint16_t> aligned((len + 1) / 2 + 1, 0);
  std::memcpy(aligned.data(), idList.data(), len);
  char path[MAX_PATH + 1] = {};
  if (!SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(aligned.data()), path)) return std::string();
  path[MAX_PATH] = 0;
  return path;
}

std::string GetCommonParentPIDL(const std::vector<std::string>& filenames) {
  if (filenames.empty()) return std::string();
  TComPtr<IShellFolder> desktop = DesktopFolder();
  if (!desktop) throw Exception("Failed to get interface to Desktop");

  // Files of one folder usually come together: parse each distinct folder once.
  std::map<std::string, std::string> parsed;
  auto folderList = [&](const std::string& name) -> const std::string& {
    std::string folder = ExtractFilePath(name);
    auto it = parsed.find(folder);
    if (it != parsed.end()) return it->second;
    TItemIDListPtr pidl = ParsePath(desktop.Get(), folder);
    if (!pidl) throw Exception(Format("Invalid filename: %s", folder));
    return parsed.emplace(folder, PIDLToString(pidl.Get())).first->second;
  };

  std::string candidate = folderList(filenames[0]);
  size_t common = candidate.size() >= 2 ? candidate.size() - 2 : 0;
  for (size_t i = 1; i < filenames.size(); ++i) {
    const std::string& other = folderList(filenames[i]);
    if (common == 0) continue;  // only the desktop is common; the names are still checked
    size_t pos = 0;
    while (pos < common) {
      uint16_t cb = ReadU16(candidate.data() + pos);
      if (cb == 0 || pos + 2 > other.size()) break;
      uint16_t cbOther = ReadU16(other.data() + pos);
      if (cb != cbOther || pos + cb > other.size() || std::memcmp(candidate.data() + pos, other.data() + pos, cb) != 0)
        break;
      pos += cb;
    }
    if (pos < common) {
      candidate.resize(pos);
      candidate.append(2, '\0');
      common = pos;
    }
  }
  return candidate;
}

std::string GetCommonParentPIDL(const TStrings& filenames) { return GetCommonParentPIDL(StringsToVector(filenames)); }

bool FilenamesToPIDLs(const std::vector<std::string>& filenames, std::vector<std::string>& pidls) {
  pidls.clear();
  if (filenames.empty()) return false;
  std::string parent = GetCommonParentPIDL(filenames);
  if (parent.size() < 2) return false;
  const size_t parentItems = parent.size() - 2;

  TComPtr<IShellFolder> desktop = DesktopFolder();
  std::vector<std::string> out;
  out.reserve(filenames.size() + 1);
  out.push_back(parent);
  for (const std::string& name : filenames) {
    TItemIDListPtr pidl = ParsePath(desktop.Get(), name);
    if (!pidl) return false;
    std::string full = PIDLToString(pidl.Get());
    // The file's list must begin with the parent's items. Compare item sizes, not bytes: items
    // embed times that may differ between two parses of the same folder.
    size_t pos = 0;
    while (pos < parentItems) {
      uint16_t cb = ReadU16(parent.data() + pos);
      if (full.size() < pos + 4 || ReadU16(full.data() + pos) != cb) return false;
      pos += cb;
    }
    if (pos != parentItems) return false;
    out.push_back(full.substr(parentItems));
  }
  pidls = std::move(out);
  return true;
}

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
  std::string parent = FPIDLs.Get(0);
  std::string child = FPIDLs.Get(index + 1);
  size_t len = 0;
  if (!IDListLength(parent.data(), parent.size(), len) || !IDListLength(child.data(), child.size(), len))
    return std::string();
  return PIDLToPath(JoinPIDLs(parent, child));
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
size_t TPIDLClipboardFormat::GetSize() { return CIDASize(StringsToVector(*FPIDLs)); }

bool TPIDLClipboardFormat::ReadData(const void* buffer, size_t size) { return CIDAToPIDLs(buffer, size, *FPIDLs); }

bool TPIDLClipboardFormat::WriteData(void* buffer, size_t size) {
  return WriteCIDA(StringsToVector(*FPIDLs), buffer, size);
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
    VectorToStrings(StringsToVector(*FFilenames), f->Files());
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
