// The code of a game that carries source text: every piece of code with its text and, once the game
// is prepared as the runner prepares it, the listing of what it compiles to.
#pragma once
#include "Variable/Variable_Value.h"

// Prepares the loaded game (its included files are not exported) and lists every script, timeline
// moment, object event, room and instance creation code, in that order: "Code N: name", the source
// text, and the compiled listing. When preparation fails the listings are left out and the first
// line says why. Expects the main pass done and the console muted.
void Dump_ListSourceCode(CTextOutput& out);
