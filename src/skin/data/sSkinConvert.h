// Turns a folder skin (Options.dat and its master bitmap) into a stored skin, and stores or reads
// collections of stored skins with the class library's component streaming.
#pragma once

#include <windows.h>

#include <string>

#include "skin/data/sStoredSkins.h"

namespace korv {

// Fills Skin (expected fresh) from the folder skin in Folder (with or without a trailing "\"):
// one general item per section with its values resolved through PARENTCLASS, one image item per
// image value, the master bitmap and the skin-wide values. Image values must be of the "#" form
// and lie inside the master bitmap. Raises EFOpenError for a missing Options.dat or master
// bitmap, EConvertError for a value the skin reader rejects or an image it cannot store.
void FolderSkinToStored(const std::string& folder, TsStoredSkin& skin);

// Name of the RCDATA resource that holds the program's own stored skin.
inline constexpr const char* sInternalSkinResource = "KORVANI_SKIN";

// A collection of stored skins as a block of bytes: the filer signature, then the collection
// value exactly as the component streaming writes a collection property.
void WriteStoredSkins(TStream& stream, const TsStoredSkins& skins);
// Reads such a block (up to its end) into Skins, replacing its items. Raises EReadError (or
// another filer error) for anything malformed; Skins is then left empty.
void ReadStoredSkins(TStream& stream, TsStoredSkins& skins);
// The same from an RCDATA resource of a module (EResNotFound when it is missing).
void ReadStoredSkinsResource(HINSTANCE module, const std::string& resName, TsStoredSkins& skins);

}  // namespace korv
