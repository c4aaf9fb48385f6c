// The inspector's image listings: texture pages, page entries, sprites, backgrounds and fonts, and writing
// one page out as a PNG file.
#pragma once
#include <string>

#include "DataFile/DataFile_Container.h"

// Loads the image chunks of a file that has been through the pre-pass and lists them (nothing when
// the file has none). Throws FileFormatError as the runner's loaders do.
void Dump_Images(const DataView& view);
// Writes texture page `page` as a PNG file. False with `error` set when there is no such page or it
// cannot be decoded or written.
bool Dump_WritePage(const DataView& view, long page, const std::string& out, std::string& error);
