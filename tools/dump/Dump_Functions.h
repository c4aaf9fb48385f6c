// tessera-dump --functions --list [FAMILY]: every built-in function with its argument count and
// whether it is implemented, so that an author sees what works.
#pragma once

// Lists the functions of every family, or of the families `family` names: its number (1 to 15, in
// registration order) or a word of its description ("strings", "INI", ...; letter case ignored).
// Expects the registry filled. False (nothing listed, the families named on stderr) when `family`
// names none.
bool Dump_ListFunctions(const char* family);
