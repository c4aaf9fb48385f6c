// The manifest's fonts: a TrueType or OpenType file, or a family the system's font configuration
// finds, rendered with FreeType at a size in points (96 dots per inch), bold or italic, over one or
// more character ranges, onto one region that the page packer places uncropped.
#pragma once
#include <nlohmann/json.hpp>
#include <string>

#include "Writer_Graphics.h"

// Reads and renders one "fonts" entry. `folder` is where files are looked up, `manifest` names the
// manifest in errors. A family that is not installed is replaced by its best match with a warning
// on stderr. Throws PackFailure (Pack_Images.h).
FontDesc Pack_ReadFont(const nlohmann::ordered_json& entry, const std::string& folder, const std::string& manifest);
