// The terminal a program talks to: whether a stream is one, how wide the
// lines written to it may be, how a redraw clears what a longer line left
// behind, and reading a person's answer without missing an interrupt.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

bool IsTerminal(FILE* file);
// The columns of the terminal `out` writes to; 0 when it is none or will
// not say. Follows a resize.
int TerminalColumns(FILE* out);
// Clears the cursor's row from the cursor to its end.
void ClearToEndOfLine(FILE* out);

// The columns a line may fill on `out`: the terminal's; else $COLUMNS when
// it is a width within reason, else this many (a pipe, a file, a terminal
// that will not say).
constexpr size_t kPipeColumns = 80;
constexpr size_t kNarrowestColumns = 20;
constexpr size_t kWidestColumns = 1000;
size_t LineWidth(FILE* out);

// A line from standard input, its line end taken off; false at the input's
// end or once an interrupt has come (Interrupted()), even one that lands
// just before the read.
bool ReadInputLine(std::string* line);

// The system's own: one byte of standard input, waited for a moment at
// most, so that the caller looks at the interrupt flag between waits:
// 1 read, 0 none yet (or a signal broke in), -1 at the input's end or on
// an error.
int ReadInputByte(char* c);
