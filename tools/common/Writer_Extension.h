// Writes the "EXTN" chunk of extension packages (the layout is described in
// Files/Extension/Extension_Class.h).
#pragma once
#include <vector>

#include "DataFileWriter.h"
#include "Extension/Extension_Class.h"

void WriteExtensions(DataFileWriter& writer, const std::vector<CExtensionPackage>& packages);
