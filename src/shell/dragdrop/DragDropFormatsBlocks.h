// Byte layouts of the clipboard formats, as plain functions over buffers. Readers take blocks
// that come from other programs: every count, offset and terminator is checked against the block
// before it is used, and a block that does not hold together is rejected whole (nothing is read
// past its end, and no partial result is reported as success).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korv {

// Little-endian fields at any alignment.
[[nodiscard]] inline uint32_t ReadU32(const void* p) noexcept {
  const auto* b = static_cast<const unsigned char*>(p);
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}
[[nodiscard]] inline uint16_t ReadU16(const void* p) noexcept {
  const auto* b = static_cast<const unsigned char*>(p);
  return static_cast<uint16_t>(b[0] | b[1] << 8);
}
inline void WriteU32(void* p, uint32_t v) noexcept {
  auto* b = static_cast<unsigned char*>(p);
  b[0] = static_cast<unsigned char>(v);
  b[1] = static_cast<unsigned char>(v >> 8);
  b[2] = static_cast<unsigned char>(v >> 16);
  b[3] = static_cast<unsigned char>(v >> 24);
}

// ---------------------------------------------------------------------------------------------
// Name lists: names each followed by a zero (a zero byte, or a 16-bit zero when wide), the list
// ended by an empty name. Names are written up to their first zero character.

constexpr size_t kDropFilesHeaderSize = 20;  // pFiles, pt.x, pt.y, fNC, fWide

// Writers take the strings as they are held (a vector of strings, each written up to its first
// zero) or as views of strings held elsewhere (a string list's items), so that a large list is
// written without a copy; views are written whole, so cut them at their first zero first
// (ZeroCut).
using TStringViews = std::span<const std::string_view>;

// The length of S up to its first zero byte (S's length when it has none).
[[nodiscard]] size_t ZeroCut(std::string_view s) noexcept;

// Bytes of a name list (final terminator included).
[[nodiscard]] size_t NameListSize(const std::vector<std::string>& names) noexcept;
[[nodiscard]] size_t NameListSize(TStringViews names) noexcept;
[[nodiscard]] size_t NameListSizeW(const std::vector<std::wstring>& names) noexcept;
// Writes the list into exactly the bytes it needs; false when size is too small.
bool WriteNameList(const std::vector<std::string>& names, void* buffer, size_t size) noexcept;
bool WriteNameList(TStringViews names, void* buffer, size_t size) noexcept;
bool WriteNameListW(const std::vector<std::wstring>& names, void* buffer, size_t size) noexcept;
// Reads names until the empty name or the end of the block. Every name must end inside the
// block, else the read fails and Names is left empty. UTF-16 names are converted to the ANSI
// code page. An empty list is a success here.
bool ReadNameList(const void* block, size_t size, bool wide, std::vector<std::string>& names);
// As ReadNameList, keeping UTF-16 names as they are (8-bit names are widened from the ANSI code page).
bool ReadNameListW(const void* block, size_t size, bool wide, std::vector<std::wstring>& names);

// CF_HDROP (DROPFILES): a 20-byte header (pFiles 20, pt 0,0, fNC 0, fWide 0) and 8-bit names.
[[nodiscard]] size_t DropFilesSize(const std::vector<std::string>& names) noexcept;  // 21 + n + sum of lengths
[[nodiscard]] size_t DropFilesSize(TStringViews names) noexcept;
bool WriteDropFiles(const std::vector<std::string>& names, void* buffer, size_t size) noexcept;
bool WriteDropFiles(TStringViews names, void* buffer, size_t size) noexcept;
// Accepts 8-bit and UTF-16 (fWide) names. Requires 21 bytes at least, 20 <= pFiles < Size, every
// name ending inside the block and at least one name.
bool ReadDropFiles(const void* block, size_t size, std::vector<std::string>& names);

// ---------------------------------------------------------------------------------------------
// File group descriptors: a 32-bit count and that many fixed-size descriptors.

constexpr size_t kFileDescriptorASize = 332;
constexpr size_t kFileDescriptorWSize = 592;
constexpr size_t kFileDescriptorNameOffset = 72;
constexpr size_t kFileDescriptorNameChars = 260;
// Names stored into descriptors keep at least one zero character.
constexpr size_t kFileDescriptorMaxName = kFileDescriptorNameChars - 1;

// True when the block holds at least the count and (Size - 4) div descriptorSize equals it.
bool CheckFileGroup(const void* block, size_t size, size_t descriptorSize, uint32_t& count) noexcept;
// The file name of a 332-byte (ANSI) or 592-byte (wide) descriptor, read up to its first zero
// inside the name field.
[[nodiscard]] std::string DescriptorNameA(const void* descriptor);
[[nodiscard]] std::wstring DescriptorNameW(const void* descriptor);
// Stores a name into a descriptor's name field (cut to kFileDescriptorMaxName characters, the
// rest of the field zeroed).
void SetDescriptorNameA(void* descriptor, std::string_view name) noexcept;
void SetDescriptorNameW(void* descriptor, std::wstring_view name) noexcept;

// ---------------------------------------------------------------------------------------------
// Item ID lists and the "Shell IDList Array" (CIDA).

// Length of the ID list at p (its items and the 16-bit zero ending it) when it lies wholly in
// the avail bytes and every item counts at least its own two bytes; else false.
bool IDListLength(const void* p, size_t avail, size_t& length) noexcept;
// Size of an ID list held in memory the shell handed out (trusted): 2 + the item counts, 0 for nil.
[[nodiscard]] size_t IDListSize(const void* pidl) noexcept;

// The shell reads some kinds of item as records of a fixed layout and trusts their count to hold
// it. File-system items (types 0x30 to 0x3F, also with the high bit set: folders, files and their
// Unicode forms) hold after the type an 11-byte file record and two zero-ended 8-bit names, and
// end with the offset of a Unicode record (22 bytes with an empty name) inside the item; the shell
// follows that offset without checking it against a count too small for the record, so a short
// item sends it anywhere in the 64 KiB after the item. GUID items (root folders 0x1F, shell
// extensions 0x2E and 0x70) hold a pad byte and a 16-byte GUID after the type.
constexpr size_t kFileSystemItemMinSize = 2 + 1 + 11 + 2 + 22 + 2;  // 40
constexpr size_t kGUIDItemMinSize = 2 + 1 + 1 + 16;                 // 20
// The least count of an item of this type (its first byte after the count).
[[nodiscard]] size_t ShellItemMinSize(uint8_t type) noexcept;
// IDListLength for an ID list from another program, to be handed to the shell: in addition,
// every item holds its type byte and is at least ShellItemMinSize of that type.
bool CheckIDList(const void* p, size_t avail, size_t& length) noexcept;

// CIDA: cidl, cidl + 1 offsets (parent first), then the ID lists without padding.
[[nodiscard]] size_t CIDASize(const std::vector<std::string>& pidls) noexcept;  // 4 x (count + 1) + sum of lengths
[[nodiscard]] size_t CIDASize(TStringViews pidls) noexcept;
// Needs at least one item (the parent); false when size is not enough.
bool WriteCIDA(const std::vector<std::string>& pidls, void* buffer, size_t size) noexcept;
bool WriteCIDA(TStringViews pidls, void* buffer, size_t size) noexcept;
// Reads the parent and every item. Requires Size >= 8, cidl <= (Size - 8) / 4, every offset
// inside the block and every ID list wholly inside it and passing CheckIDList, with the ID lists
// together no larger than the data area after the offsets; succeeds with two items at least (a
// parent and one file). On failure Pidls is empty.
bool ReadCIDA(const void* block, size_t size, std::vector<std::string>& pidls);

}  // namespace korv
