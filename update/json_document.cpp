#include "update/json_document.h"

#include <cstdio>

#include "korvane_version.h"
#include "update/check_json.h"

bool PrintDocument(const char* program, const JsonDocument& facts, const Report& ended) {
    JsonDocument doc = {{"program", program}, {"version", KORVANE_VERSION}, {"schema", kJsonSchema}};
    for (const auto& fact : facts.items()) doc[fact.key()] = fact.value();
    doc["result"] = ended.result;
    doc["exit_code"] = ended.exitCode;
    doc["message"] = ended.message;
    std::fputs((doc.dump(2, ' ', false, JsonDocument::error_handler_t::replace) + "\n").c_str(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

JsonDocument RunFacts(const Report& report) {
    JsonDocument facts = CheckJson(report.checkRan ? &report.check : nullptr);
    facts["failure"] = report.failure == Failure::None ? JsonDocument(nullptr) : JsonDocument(FailureOf(report.failure).name);
    facts["log_tail"] = report.logTail;
    facts["notes"] = report.notes;
    facts["other_cameras"] = report.otherCameras;
    return facts;
}
