// Every line korvane-update writes for people goes through here: wrapped
// at word boundaries to the width of where it goes (LineWidth), and never
// begun after another writer's open line. The bar's line, redrawn in
// place, is the one line left open; whoever writes next ends it first.
// Safe from the download's worker and the main thread at once.
#pragma once

#include <cstdio>
#include <string>

// Says the text on `out`, each '\n'-ended paragraph wrapped to its width,
// the lines after a paragraph's first begun with `indent` spaces; the last
// line ended.
void Say(FILE* out, const std::string& text, size_t indent = 0);
// A command to copy, on lines of its own set in under the words before it,
// broken only where a shell takes it whole: each broken line ended " \".
void SayCommand(FILE* out, const std::string& command);
// Lines written as they are (the camera protocol's, already whole).
void SayLines(FILE* out, const std::string& lines);
// A question: wrapped as Say does, its last line left open for the answer.
void Ask(FILE* out, const std::string& question);
// The bar's redraw: `line` in place of the open line, left open.
void Redraw(FILE* out, const std::string& line);
// Ends the open line, if any: the bar is done.
void EndBarLine();
