// Turns a folder skin (Options.dat and its master bitmap) into a stored skin, and stores or reads
// collections of stored skins with the class library's component streaming.
#pragma once

#include <string>

#include "skin/sStoredSkins.h"

namespace korv {

// Fills Skin (expected fresh) from the folder skin in Folder (with or without a trailing "\"):
// one general item per section with its values resolved through PARENTCLASS, one image item per
// image value, the master bitmap and the skin-wide values. Image values must be of the "#" form
// and lie inside the master bitmap. Raises EFOpenError for a missing Options.dat or master
// bitmap, EConvertError for a value the skin reader rejects or an image it cannot store.
void FolderSkinToStored(const std::string& folder, TsStoredSkin& skin);

}  // namespace korv
