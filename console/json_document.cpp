#include "console/json_document.h"

#include "korvane_version.h"

std::string DocumentText(const JsonDocument& facts, const std::string& result, int exitCode,
                         const std::string& message) {
    JsonDocument doc = {{"program", "korvane-update"}, {"version", KORVANE_VERSION}, {"schema", kJsonSchema}};
    for (const auto& fact : facts.items()) doc[fact.key()] = fact.value();
    doc["result"] = result;
    doc["exit_code"] = exitCode;
    doc["message"] = message;
    return doc.dump(2, ' ', false, JsonDocument::error_handler_t::replace) + "\n";
}
