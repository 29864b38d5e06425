// Text, virtual-file descriptors and contents, and their data formats.
#include <algorithm>
#include <cstring>

#include "shell/dragdrop/DragDropFormats.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// TStreamList, TMemoryList

KORV_DEFINE_CLASS(TStreamList, TObject, nullptr, nullptr);

TStreamList::~TStreamList() { FItems.clear(); }

void TStreamList::Changing() {
  if (OnChanging) OnChanging(this);
}

void TStreamList::AddNamed(std::unique_ptr<TStream> stream, const std::string& name) {
  Changing();
  FItems.push_back(Item{name, std::move(stream)});
}

TStream* TStreamList::Streams(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return FItems[static_cast<size_t>(index)].Stream.get();
}

const std::string& TStreamList::Names(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return FItems[static_cast<size_t>(index)].Name;
}

void TStreamList::Clear() {
  Changing();
  while (!FItems.empty()) FItems.pop_back();
}

void TStreamList::Assign(TStreamList& other) {
  if (&other == this) return;
  Clear();
  for (auto& item : other.FItems) FItems.push_back(std::move(item));
  other.FItems.clear();  // the streams belong to this list now
}

KORV_DEFINE_CLASS(TMemoryList, TObject, nullptr, nullptr);

int TMemoryList::Add(std::vector<unsigned char> block) {
  FItems.push_back(std::move(block));
  return Count() - 1;
}

void TMemoryList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  FItems.erase(FItems.begin() + index);
}

void TMemoryList::Clear() {
  while (!FItems.empty()) FItems.pop_back();
}

unsigned char* TMemoryList::Items(int index) {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return FItems[static_cast<size_t>(index)].data();
}

const unsigned char* TMemoryList::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return FItems[static_cast<size_t>(index)].data();
}

size_t TMemoryList::ItemSize(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return FItems[static_cast<size_t>(index)].size();
}

// ---------------------------------------------------------------------------------------------
// Group descriptors

namespace {

uint32_t GroupCount(const std::vector<unsigned char>& g) noexcept { return g.size() >= 4 ? ReadU32(g.data()) : 0; }

size_t GroupSize(const std::vector<unsigned char>& g, size_t descriptorSize) noexcept {
  return g.empty() ? 0 : 4 + descriptorSize * GroupCount(g);
}

bool ReadGroup(std::vector<unsigned char>& g, const void* buffer, size_t size, size_t descriptorSize) {
  g.clear();
  uint32_t count = 0;
  if (!CheckFileGroup(buffer, size, descriptorSize, count)) return false;
  const auto* p = static_cast<const unsigned char*>(buffer);
  g.assign(p, p + 4 + descriptorSize * count);
  return true;
}

bool WriteGroup(const std::vector<unsigned char>& g, void* buffer, size_t size, size_t descriptorSize) {
  if (g.size() < 4 || size < 4 || (size - 4) / descriptorSize != GroupCount(g) || size < g.size()) return false;
  std::memcpy(buffer, g.data(), g.size());
  return true;
}

const unsigned char* GroupDescriptor(const std::vector<unsigned char>& g, size_t descriptorSize, uint32_t index) {
  if (index >= GroupCount(g)) throw EListError(Format("List index out of bounds (%d)", static_cast<int64_t>(index)));
  return g.data() + 4 + descriptorSize * index;
}

}  // namespace

KORV_DEFINE_CLASS(TFileGroupDescritorClipboardFormat, TCustomSimpleClipboardFormat,
                  &CreateClipboardFormat<TFileGroupDescritorClipboardFormat>, nullptr);

CLIPFORMAT TFileGroupDescritorClipboardFormat::GetClipboardFormat() {
  static const CLIPFORMAT cf = RegisterFormatName(CFSTR_FILEDESCRIPTORA);
  return cf;
}
size_t TFileGroupDescritorClipboardFormat::GetSize() { return GroupSize(FGroup, kFileDescriptorASize); }
bool TFileGroupDescritorClipboardFormat::ReadData(const void* buffer, size_t size) {
  return ReadGroup(FGroup, buffer, size, kFileDescriptorASize);
}
bool TFileGroupDescritorClipboardFormat::WriteData(void* buffer, size_t size) {
  return WriteGroup(FGroup, buffer, size, kFileDescriptorASize);
}
bool TFileGroupDescritorClipboardFormat::SetDescriptors(const void* block, size_t size) {
  return ReadGroup(FGroup, block, size, kFileDescriptorASize);
}
uint32_t TFileGroupDescritorClipboardFormat::Count() const noexcept { return GroupCount(FGroup); }
const unsigned char* TFileGroupDescritorClipboardFormat::Descriptor(uint32_t index) const {
  return GroupDescriptor(FGroup, kFileDescriptorASize, index);
}

KORV_DEFINE_CLASS(TFileGroupDescritorWClipboardFormat, TCustomSimpleClipboardFormat,
                  &CreateClipboardFormat<TFileGroupDescritorWClipboardFormat>, nullptr);

CLIPFORMAT TFileGroupDescritorWClipboardFormat::GetClipboardFormat() {
  static const CLIPFORMAT cf = RegisterFormatName("FileGroupDescriptorW");
  return cf;
}
size_t TFileGroupDescritorWClipboardFormat::GetSize() { return GroupSize(FGroup, kFileDescriptorWSize); }
bool TFileGroupDescritorWClipboardFormat::ReadData(const void* buffer, size_t size) {
  return ReadGroup(FGroup, buffer, size, kFileDescriptorWSize);
}
bool TFileGroupDescritorWClipboardFormat::WriteData(void* buffer, size_t size) {
  return WriteGroup(FGroup, buffer, size, kFileDescriptorWSize);
}
bool TFileGroupDescritorWClipboardFormat::SetDescriptors(const void* block, size_t size) {
  return ReadGroup(FGroup, block, size, kFileDescriptorWSize);
}
uint32_t TFileGroupDescritorWClipboardFormat::Count() const noexcept { return GroupCount(FGroup); }
const unsigned char* TFileGroupDescritorWClipboardFormat::Descriptor(uint32_t index) const {
  return GroupDescriptor(FGroup, kFileDescriptorWSize, index);
}

// ---------------------------------------------------------------------------------------------
// FileContents

CLIPFORMAT CF_FILECONTENTS() {
  static const CLIPFORMAT cf = RegisterFormatName("FileContents");
  return cf;
}

KORV_DEFINE_CLASS(TFileContentsClipboardFormat, TCustomTextClipboardFormat,
                  &CreateClipboardFormat<TFileContentsClipboardFormat>, nullptr);

KORV_DEFINE_CLASS(TFileContentsStreamClipboardFormat, TClipboardFormat,
                  &CreateClipboardFormat<TFileContentsStreamClipboardFormat>, nullptr);

TFileContentsStreamClipboardFormat::TFileContentsStreamClipboardFormat()
    : TClipboardFormat(TYMED_ISTREAM), FStreams(std::make_unique<TStreamList>()) {}

TFileContentsStreamClipboardFormat::~TFileContentsStreamClipboardFormat() = default;

void TFileContentsStreamClipboardFormat::Clear() { FStreams->Clear(); }
bool TFileContentsStreamClipboardFormat::HasData() { return FStreams->Count() > 0; }

bool TFileContentsStreamClipboardFormat::GetData(IDataObject* dataObject) {
  Clear();
  if (!dataObject) return false;
  bool result = false;
  TFileGroupDescritorClipboardFormat group;
  int count = 0;
  int index = -1;
  if (group.GetData(dataObject)) {
    count = static_cast<int>(std::min<uint32_t>(group.Count(), INT32_MAX));
    index = 0;
  }
  while (index < count) {
    FORMATETC fe = FormatEtc();
    fe.lindex = index;
    fe.tymed = TYMED_ISTREAM;
    FFormatEtc.lindex = index;
    TStgMedium medium;
    if (dataObject->GetData(&fe, &medium.M) != S_OK) {
      ZeroMedium(medium.M);
      break;
    }
    ++index;
    if (medium.M.tymed != TYMED_ISTREAM || !medium.M.pstm) continue;  // released by TStgMedium
    size_t size = 0;
    std::vector<unsigned char> bytes;
    if (!StreamSize(medium.M.pstm, size) || !ReadStreamExactly(medium.M.pstm, size, bytes)) break;
    auto stream = std::make_unique<TMemoryStream>();
    if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    stream->SetPosition(0);
    std::string name =
        index - 1 >= 0 ? DescriptorNameA(group.Descriptor(static_cast<uint32_t>(index - 1))) : std::string();
    FStreams->AddNamed(std::move(stream), name);
    result = true;
  }
  FFormatEtc.lindex = -1;
  return result;
}

bool TFileContentsStreamClipboardFormat::AssignTo(TCustomDataFormat* dataFormat) {
  if (auto* ds = dynamic_cast<TDataStreamDataFormat*>(dataFormat)) {
    ds->Streams().Assign(*FStreams);
    return true;
  }
  return TClipboardFormat::AssignTo(dataFormat);
}

KORV_DEFINE_CLASS(TFileContentsStreamOnDemandClipboardFormat, TClipboardFormat,
                  &CreateClipboardFormat<TFileContentsStreamOnDemandClipboardFormat>, nullptr);

bool TFileContentsStreamOnDemandClipboardFormat::GetData(IDataObject* dataObject) {
  Clear();
  FGotData = HasValidFormats(dataObject);
  return FGotData;
}

bool TFileContentsStreamOnDemandClipboardFormat::DoGetData(IDataObject*, const STGMEDIUM&) {
  FGotData = true;
  return true;
}

bool TFileContentsStreamOnDemandClipboardFormat::DoSetData(const FORMATETC& formatEtc, STGMEDIUM& medium) {
  if (!OnGetStream || !(formatEtc.tymed & TYMED_ISTREAM) || formatEtc.lindex == -1) return false;
  TComPtr<IStream> stream;
  OnGetStream(this, static_cast<int>(formatEtc.lindex), stream);
  if (!stream) return false;
  medium.tymed = TYMED_ISTREAM;
  medium.pstm = stream.Detach();
  medium.pUnkForRelease = nullptr;
  return true;
}

bool TFileContentsStreamOnDemandClipboardFormat::Assign(TCustomDataFormat* dataFormat) {
  if (dynamic_cast<TVirtualFileStreamDataFormat*>(dataFormat)) {
    FDataRequested = true;
    return true;
  }
  return TClipboardFormat::Assign(dataFormat);
}

bool TFileContentsStreamOnDemandClipboardFormat::AssignTo(TCustomDataFormat* dataFormat) {
  if (dynamic_cast<TVirtualFileStreamDataFormat*>(dataFormat)) return true;
  return TClipboardFormat::AssignTo(dataFormat);
}

// ---------------------------------------------------------------------------------------------
// TTextDataFormat

KORV_DEFINE_CLASS(TTextDataFormat, TCustomDataFormat, &CreateDataFormat<TTextDataFormat>, nullptr);

void TTextDataFormat::Clear() {
  Changing();
  FText.clear();
}

void TTextDataFormat::SetText(const std::string& v) {
  Changing();
  FText = v;
}

namespace {
constexpr const char kTextScrapName[] = "Text scrap.txt";
}

bool TTextDataFormat::Assign(TClipboardFormat* clipboardFormat) {
  // CF_TEXT and the text "FileContents" are both texts.
  if (auto* text = dynamic_cast<TCustomTextClipboardFormat*>(clipboardFormat)) {
    if (dynamic_cast<TTextClipboardFormat*>(text) || dynamic_cast<TFileContentsClipboardFormat*>(text)) {
      SetText(text->Text());
      return true;
    }
  }
  return TCustomDataFormat::Assign(clipboardFormat);
}

bool TTextDataFormat::AssignTo(TClipboardFormat* clipboardFormat) {
  if (dynamic_cast<TTextClipboardFormat*>(clipboardFormat) ||
      dynamic_cast<TFileContentsClipboardFormat*>(clipboardFormat)) {
    static_cast<TCustomTextClipboardFormat*>(clipboardFormat)->SetText(FText);
    return true;
  }
  if (auto* group = dynamic_cast<TFileGroupDescritorClipboardFormat*>(clipboardFormat)) {
    std::vector<unsigned char> block(4 + kFileDescriptorASize, 0);
    WriteU32(block.data(), 1);
    SetDescriptorNameA(block.data() + 4, kTextScrapName);
    return group->SetDescriptors(block.data(), block.size());
  }
  if (auto* group = dynamic_cast<TFileGroupDescritorWClipboardFormat*>(clipboardFormat)) {
    std::vector<unsigned char> block(4 + kFileDescriptorWSize, 0);
    WriteU32(block.data(), 1);
    SetDescriptorNameW(block.data() + 4, AnsiToWide(kTextScrapName));
    return group->SetDescriptors(block.data(), block.size());
  }
  return TCustomDataFormat::AssignTo(clipboardFormat);
}

// ---------------------------------------------------------------------------------------------
// TDataStreamDataFormat

KORV_DEFINE_CLASS(TDataStreamDataFormat, TCustomDataFormat, &CreateDataFormat<TDataStreamDataFormat>, nullptr);

TDataStreamDataFormat::TDataStreamDataFormat(TComponent* owner, TClass cls)
    : TCustomDataFormat(owner, cls), FStreams(std::make_unique<TStreamList>()) {
  FStreams->OnChanging = TNotifyEvent(this, &TDataStreamDataFormat::StreamsChanging);
}

TDataStreamDataFormat::~TDataStreamDataFormat() {
  FStreams->OnChanging = nullptr;
  FStreams->Clear();
}

void TDataStreamDataFormat::StreamsChanging(TObject*) { Changing(); }

void TDataStreamDataFormat::Clear() {
  Changing();
  FStreams->Clear();
}

// ---------------------------------------------------------------------------------------------
// TFileDescriptorToFilenameStrings

KORV_DEFINE_CLASS(TFileDescriptorToFilenameStrings, TStrings, nullptr, nullptr);

std::string TFileDescriptorToFilenameStrings::Get(int index) const {
  if (index < 0 || index >= FList.Count() || FList.ItemSize(index) < kFileDescriptorASize)
    throw EStringListError(Format("List index out of bounds (%d)", index));
  return DescriptorNameA(FList.Items(index));
}

void TFileDescriptorToFilenameStrings::Put(int index, const std::string& s) {
  if (index < 0 || index >= FList.Count() || FList.ItemSize(index) < kFileDescriptorASize)
    throw EStringListError(Format("List index out of bounds (%d)", index));
  SetDescriptorNameA(FList.Items(index), s);
}

void TFileDescriptorToFilenameStrings::Insert(int index, const std::string& s) {
  if (index != FList.Count()) return;
  std::vector<unsigned char> d(kFileDescriptorASize, 0);
  SetDescriptorNameA(d.data(), s);
  FList.Add(std::move(d));
}

void TFileDescriptorToFilenameStrings::Delete(int index) {
  if (index < 0 || index >= FList.Count()) throw EStringListError(Format("List index out of bounds (%d)", index));
  FList.Delete(index);
}

void TFileDescriptorToFilenameStrings::Assign(const TPersistent* source) {
  if (auto* strings = dynamic_cast<const TStrings*>(source)) {
    if (strings == this) return;
    std::vector<std::string> names = StringsToVector(*strings);
    TUpdateScope scope(*this);
    FList.Clear();
    for (const auto& n : names) Insert(FList.Count(), n);
    return;
  }
  TStrings::Assign(source);
}

// ---------------------------------------------------------------------------------------------
// TVirtualFileStreamDataFormat

KORV_DEFINE_CLASS(TVirtualFileStreamDataFormat, TCustomDataFormat, &CreateDataFormat<TVirtualFileStreamDataFormat>,
                  nullptr);

TVirtualFileStreamDataFormat::TVirtualFileStreamDataFormat(TComponent* owner, TClass cls)
    : TCustomDataFormat(owner, cls),
      FFileDescriptors(std::make_unique<TMemoryList>()),
      FFileNames(std::make_unique<TFileDescriptorToFilenameStrings>(*FFileDescriptors)) {
  auto contents = std::make_unique<TFileContentsStreamOnDemandClipboardFormat>();
  auto group = std::make_unique<TFileGroupDescritorClipboardFormat>();
  FFileContentsClipboardFormat = contents.get();
  FFileGroupDescriptorClipboardFormat = group.get();
  CompatibleFormats().Add(contents.release());
  CompatibleFormats().Add(group.release());
}

TVirtualFileStreamDataFormat::~TVirtualFileStreamDataFormat() = default;

void TVirtualFileStreamDataFormat::Clear() {
  Changing();
  FFileDescriptors->Clear();
  FHasContents = false;
}

bool TVirtualFileStreamDataFormat::HasData() {
  return FFileDescriptors->Count() > 0 &&
         (FHasContents || static_cast<bool>(FFileContentsClipboardFormat->OnGetStream));
}

bool TVirtualFileStreamDataFormat::NeedsData() { return FFileDescriptors->Count() == 0 || !FHasContents; }

bool TVirtualFileStreamDataFormat::Assign(TClipboardFormat* clipboardFormat) {
  if (auto* group = dynamic_cast<TFileGroupDescritorClipboardFormat*>(clipboardFormat)) {
    Changing();
    FFileDescriptors->Clear();
    for (uint32_t i = 0; i < group->Count(); ++i) {
      const unsigned char* d = group->Descriptor(i);
      FFileDescriptors->Add(std::vector<unsigned char>(d, d + kFileDescriptorASize));
    }
    return true;
  }
  if (auto* contents = dynamic_cast<TFileContentsStreamOnDemandClipboardFormat*>(clipboardFormat)) {
    FHasContents = contents->HasData();
    return true;
  }
  return TCustomDataFormat::Assign(clipboardFormat);
}

bool TVirtualFileStreamDataFormat::AssignTo(TClipboardFormat* clipboardFormat) {
  if (auto* group = dynamic_cast<TFileGroupDescritorClipboardFormat*>(clipboardFormat)) {
    int n = FFileDescriptors->Count();
    if (n == 0) return false;
    std::vector<unsigned char> block(4 + kFileDescriptorASize * static_cast<size_t>(n), 0);
    WriteU32(block.data(), static_cast<uint32_t>(n));
    for (int i = 0; i < n; ++i) {
      size_t sz = std::min(FFileDescriptors->ItemSize(i), kFileDescriptorASize);
      std::memcpy(block.data() + 4 + kFileDescriptorASize * static_cast<size_t>(i), FFileDescriptors->Items(i), sz);
    }
    return group->SetDescriptors(block.data(), block.size());
  }
  if (auto* contents = dynamic_cast<TFileContentsStreamOnDemandClipboardFormat*>(clipboardFormat))
    return contents->Assign(this);
  return TCustomDataFormat::AssignTo(clipboardFormat);
}

}  // namespace korv
