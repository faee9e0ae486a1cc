// The terminal a line is redrawn on: how wide it is now, and how a redraw
// clears what a longer one left behind.
#pragma once

#include <cstdio>

// Whether `file` is a terminal.
bool IsTerminal(FILE* file);
// The columns of the terminal `out` writes to; 0 when it is none or will
// not say. Follows a resize.
int TerminalColumns(FILE* out);
// Clears the cursor's row from the cursor to its end.
void ClearToEndOfLine(FILE* out);
