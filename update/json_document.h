// Every JSON document a program prints has one envelope: the program,
// its version and the documents' schema first, then the document's own
// facts, then how the run ended (result, exit code, message), the same
// names for the same facts in the check, the update, --list, --report and
// --history.
#pragma once

#include <nlohmann/json.hpp>

#include "update/run_report.h"

using JsonDocument = nlohmann::ordered_json;

// The documents' layout (docs/json.md). Raised when a field is removed or
// changes meaning; a field added keeps it.
constexpr int kJsonSchema = 1;

// The document around facts (an object), ended as `ended` says, on standard
// output: two-space indents and a final newline; text that is not UTF-8 is
// replaced, never thrown over. False when it could not be printed.
// `program` names it: "korvane-update".
bool PrintDocument(const char* program, const JsonDocument& facts, const Report& ended);

// The facts of a check or an update: what the check found, then the
// failure, the transfer log's tail, the notes and the other cameras.
JsonDocument RunFacts(const Report& report);
