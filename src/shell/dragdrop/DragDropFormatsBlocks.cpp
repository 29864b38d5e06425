#include "shell/dragdrop/DragDropFormatsBlocks.h"

#include <algorithm>
#include <cstring>

#include "classlib/SysUtils.h"

namespace korv {

namespace {

size_t NameLen(const std::string& s) noexcept { return ZeroCut(s); }
// Views are cut already.
size_t NameLen(std::string_view s) noexcept { return s.size(); }
size_t NameLenW(const std::wstring& s) noexcept {
  size_t z = s.find(L'\0');
  return z == std::wstring::npos ? s.size() : z;
}

// Walks a name list; Add(name) receives each name. False for a name that does not end inside
// the block.
template <class AddNarrow, class AddWide>
bool WalkNameList(const unsigned char* p, size_t size, bool wide, AddNarrow addNarrow, AddWide addWide) {
  size_t pos = 0;
  if (!wide) {
    while (pos < size && p[pos] != 0) {
      const void* z = std::memchr(p + pos, 0, size - pos);
      if (!z) return false;
      size_t len = static_cast<size_t>(static_cast<const unsigned char*>(z) - (p + pos));
      addNarrow(std::string_view(reinterpret_cast<const char*>(p + pos), len));
      pos += len + 1;
    }
    return true;
  }
  while (size - pos >= 2 && ReadU16(p + pos) != 0) {
    size_t end = pos;
    while (size - end >= 2 && ReadU16(p + end) != 0) end += 2;
    if (size - end < 2) return false;  // no 16-bit zero inside the block
    std::wstring name((end - pos) / 2, L'\0');
    std::memcpy(name.data(), p + pos, end - pos);
    addWide(std::move(name));
    pos = end + 2;
  }
  return true;
}

}  // namespace

namespace {

template <class Names>
size_t NameListSizeOf(const Names& names) noexcept {
  size_t n = 1;
  for (const auto& s : names) n += NameLen(s) + 1;
  return n;
}

template <class Names>
bool WriteNameListOf(const Names& names, void* buffer, size_t size) noexcept {
  if (!buffer || size < NameListSizeOf(names)) return false;
  auto* out = static_cast<unsigned char*>(buffer);
  size_t pos = 0;
  for (const auto& s : names) {
    size_t len = NameLen(s);
    std::memcpy(out + pos, s.data(), len);
    out[pos + len] = 0;
    pos += len + 1;
  }
  out[pos] = 0;
  return true;
}

template <class Names>
bool WriteDropFilesOf(const Names& names, void* buffer, size_t size) noexcept {
  if (!buffer || size < kDropFilesHeaderSize + 1 || size < kDropFilesHeaderSize + NameListSizeOf(names)) return false;
  auto* out = static_cast<unsigned char*>(buffer);
  std::memset(out, 0, kDropFilesHeaderSize);
  WriteU32(out, static_cast<uint32_t>(kDropFilesHeaderSize));
  return WriteNameListOf(names, out + kDropFilesHeaderSize, size - kDropFilesHeaderSize);
}

template <class Lists>
size_t CIDASizeOf(const Lists& pidls) noexcept {
  size_t n = 4 * (pidls.size() + 1);
  for (const auto& s : pidls) n += s.size();
  return n;
}

template <class Lists>
bool WriteCIDAOf(const Lists& pidls, void* buffer, size_t size) noexcept {
  if (!buffer || pidls.empty() || size < CIDASizeOf(pidls)) return false;
  auto* out = static_cast<unsigned char*>(buffer);
  WriteU32(out, static_cast<uint32_t>(pidls.size() - 1));
  size_t data = 4 * (pidls.size() + 1);
  for (size_t i = 0; i < pidls.size(); ++i) {
    WriteU32(out + 4 * (i + 1), static_cast<uint32_t>(data));
    std::memcpy(out + data, pidls[i].data(), pidls[i].size());
    data += pidls[i].size();
  }
  return true;
}

}  // namespace

size_t ZeroCut(std::string_view s) noexcept {
  // Four bytes at a time: a name list holds thousands of names, and the C library scans bytewise.
  const char* p = s.data();
  const size_t n = s.size();
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    uint32_t v;
    std::memcpy(&v, p + i, 4);
    if ((v - 0x01010101u) & ~v & 0x80808080u) break;
  }
  for (; i < n; ++i)
    if (p[i] == 0) return i;
  return n;
}

size_t NameListSize(const std::vector<std::string>& names) noexcept { return NameListSizeOf(names); }
size_t NameListSize(TStringViews names) noexcept { return NameListSizeOf(names); }

size_t NameListSizeW(const std::vector<std::wstring>& names) noexcept {
  size_t n = 1;
  for (const auto& s : names) n += NameLenW(s) + 1;
  return 2 * n;
}

bool WriteNameList(const std::vector<std::string>& names, void* buffer, size_t size) noexcept {
  return WriteNameListOf(names, buffer, size);
}
bool WriteNameList(TStringViews names, void* buffer, size_t size) noexcept {
  return WriteNameListOf(names, buffer, size);
}

bool WriteNameListW(const std::vector<std::wstring>& names, void* buffer, size_t size) noexcept {
  if (!buffer || size < NameListSizeW(names)) return false;
  auto* out = static_cast<unsigned char*>(buffer);
  size_t pos = 0;
  for (const auto& s : names) {
    size_t bytes = NameLenW(s) * 2;
    std::memcpy(out + pos, s.data(), bytes);
    out[pos + bytes] = out[pos + bytes + 1] = 0;
    pos += bytes + 2;
  }
  out[pos] = out[pos + 1] = 0;
  return true;
}

bool ReadNameList(const void* block, size_t size, bool wide, std::vector<std::string>& names) {
  names.clear();
  if (!block) return false;
  std::vector<std::string> out;
  bool ok = WalkNameList(
      static_cast<const unsigned char*>(block), size, wide, [&](std::string_view s) { out.emplace_back(s); },
      [&](std::wstring&& s) { out.push_back(WideToAnsi(s)); });
  if (!ok) return false;
  names = std::move(out);
  return true;
}

bool ReadNameListW(const void* block, size_t size, bool wide, std::vector<std::wstring>& names) {
  names.clear();
  if (!block) return false;
  std::vector<std::wstring> out;
  bool ok = WalkNameList(
      static_cast<const unsigned char*>(block), size, wide, [&](std::string_view s) { out.push_back(AnsiToWide(s)); },
      [&](std::wstring&& s) { out.push_back(std::move(s)); });
  if (!ok) return false;
  names = std::move(out);
  return true;
}

size_t DropFilesSize(const std::vector<std::string>& names) noexcept {
  return kDropFilesHeaderSize + NameListSize(names);
}
size_t DropFilesSize(TStringViews names) noexcept { return kDropFilesHeaderSize + NameListSize(names); }

bool WriteDropFiles(const std::vector<std::string>& names, void* buffer, size_t size) noexcept {
  return WriteDropFilesOf(names, buffer, size);
}
bool WriteDropFiles(TStringViews names, void* buffer, size_t size) noexcept {
  return WriteDropFilesOf(names, buffer, size);
}

bool ReadDropFiles(const void* block, size_t size, std::vector<std::string>& names) {
  names.clear();
  if (!block || size < kDropFilesHeaderSize + 1) return false;
  const auto* p = static_cast<const unsigned char*>(block);
  uint32_t pFiles = ReadU32(p);
  bool wide = ReadU32(p + 16) != 0;
  if (pFiles < kDropFilesHeaderSize || pFiles >= size) return false;
  std::vector<std::string> out;
  if (!ReadNameList(p + pFiles, size - pFiles, wide, out) || out.empty()) return false;
  names = std::move(out);
  return true;
}

bool CheckFileGroup(const void* block, size_t size, size_t descriptorSize, uint32_t& count) noexcept {
  count = 0;
  if (!block || size < 4 || descriptorSize == 0) return false;
  uint32_t c = ReadU32(block);
  if ((size - 4) / descriptorSize != c) return false;
  count = c;
  return true;
}

std::string DescriptorNameA(const void* descriptor) {
  const char* name = static_cast<const char*>(descriptor) + kFileDescriptorNameOffset;
  size_t len = 0;
  while (len < kFileDescriptorNameChars && name[len]) ++len;
  return std::string(name, len);
}

std::wstring DescriptorNameW(const void* descriptor) {
  const auto* name = static_cast<const unsigned char*>(descriptor) + kFileDescriptorNameOffset;
  std::wstring s;
  for (size_t i = 0; i < kFileDescriptorNameChars; ++i) {
    wchar_t c = static_cast<wchar_t>(ReadU16(name + 2 * i));
    if (!c) break;
    s.push_back(c);
  }
  return s;
}

void SetDescriptorNameA(void* descriptor, std::string_view name) noexcept {
  char* field = static_cast<char*>(descriptor) + kFileDescriptorNameOffset;
  std::memset(field, 0, kFileDescriptorNameChars);
  size_t len = std::min(name.size(), kFileDescriptorMaxName);
  std::memcpy(field, name.data(), len);
}

void SetDescriptorNameW(void* descriptor, std::wstring_view name) noexcept {
  auto* field = static_cast<unsigned char*>(descriptor) + kFileDescriptorNameOffset;
  std::memset(field, 0, 2 * kFileDescriptorNameChars);
  size_t len = std::min(name.size(), kFileDescriptorMaxName);
  std::memcpy(field, name.data(), 2 * len);
}

bool IDListLength(const void* p, size_t avail, size_t& length) noexcept {
  length = 0;
  if (!p) return false;
  const auto* b = static_cast<const unsigned char*>(p);
  size_t pos = 0;
  for (;;) {
    if (avail - pos < 2) return false;
    uint16_t cb = ReadU16(b + pos);
    if (cb == 0) {
      length = pos + 2;
      return true;
    }
    if (cb < 2 || cb > avail - pos) return false;
    pos += cb;
  }
}

size_t IDListSize(const void* pidl) noexcept {
  if (!pidl) return 0;
  const auto* b = static_cast<const unsigned char*>(pidl);
  size_t pos = 0;
  for (uint16_t cb; (cb = ReadU16(b + pos)) != 0;) pos += cb;
  return pos + 2;
}

size_t ShellItemMinSize(uint8_t type) noexcept {
  if ((type & 0x70) == 0x30) return kFileSystemItemMinSize;
  if (type == 0x1F || type == 0x2E || type == 0x70) return kGUIDItemMinSize;
  return 3;  // the type byte itself
}

bool CheckIDList(const void* p, size_t avail, size_t& length) noexcept {
  if (!IDListLength(p, avail, length)) return false;
  const auto* b = static_cast<const unsigned char*>(p);
  for (size_t pos = 0; pos + 2 < length;) {
    const uint16_t cb = ReadU16(b + pos);
    if (cb < 3 || cb < ShellItemMinSize(b[pos + 2])) {
      length = 0;
      return false;
    }
    pos += cb;
  }
  return true;
}

size_t CIDASize(const std::vector<std::string>& pidls) noexcept { return CIDASizeOf(pidls); }
size_t CIDASize(TStringViews pidls) noexcept { return CIDASizeOf(pidls); }

bool WriteCIDA(const std::vector<std::string>& pidls, void* buffer, size_t size) noexcept {
  return WriteCIDAOf(pidls, buffer, size);
}
bool WriteCIDA(TStringViews pidls, void* buffer, size_t size) noexcept { return WriteCIDAOf(pidls, buffer, size); }

bool ReadCIDA(const void* block, size_t size, std::vector<std::string>& pidls) {
  pidls.clear();
  if (!block || size < 8) return false;
  const auto* p = static_cast<const unsigned char*>(block);
  uint32_t cidl = ReadU32(p);
  if (cidl > (size - 8) / 4) return false;
  // The writer lays the ID lists one after the other: together they cannot be larger than the
  // block's data area. Offsets that share bytes beyond that are a lie (and would let a small
  // block expand into a huge list).
  const size_t dataArea = size - 4 * (size_t{cidl} + 2);
  size_t total = 0;
  std::vector<std::string> out;
  out.reserve(size_t{cidl} + 1);
  for (size_t i = 0; i <= cidl; ++i) {
    uint32_t off = ReadU32(p + 4 * (i + 1));
    size_t len = 0;
    if (off >= size || !CheckIDList(p + off, size - off, len)) return false;
    total += len;
    if (total > dataArea) return false;
    out.emplace_back(reinterpret_cast<const char*>(p + off), len);
  }
  if (out.size() < 2) return false;
  pidls = std::move(out);
  return true;
}

}  // namespace korv
