#include "console/support_report.h"

#include <cstdio>

#include "discovery/support_facts.h"
#include "console/json_document.h"
#include "console/outcomes.h"
#include "console/screen.h"
#include "korvane_version.h"

namespace {

// Keys are JSON's ("capture_node"); people read them with spaces, except
// the driver's own names ("GET_LEN").
std::string Label(const std::string& key) {
    std::string label = key;
    if (label.find_first_of("abcdefghijklmnopqrstuvwxyz") == std::string::npos) return label;
    for (char& c : label)
        if (c == '_') c = ' ';
    return label;
}

std::string Scalar(const SupportReport& value) {
    if (value.is_null()) return "-";
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "yes" : "no";
    return value.dump();
}

bool AllScalars(const SupportReport& items) {
    for (const SupportReport& item : items)
        if (item.is_structured()) return false;
    return true;
}

// A flat object on one line: "selector: 2, GET_LEN: 2".
std::string OneLine(const SupportReport& object) {
    std::string line;
    for (auto it = object.begin(); it != object.end(); ++it)
        line += (line.empty() ? "" : ", ") + Label(it.key()) + ": " + Scalar(it.value());
    return line;
}

void Render(const SupportReport& object, const std::string& indent, std::string* out) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        const SupportReport& value = it.value();
        const std::string head = indent + Label(it.key()) + ":";
        if (value.is_object()) {
            *out += head + "\n";
            Render(value, indent + "  ", out);
        } else if (value.is_array() && AllScalars(value)) {
            std::string line;
            for (const SupportReport& item : value) line += (line.empty() ? "" : ", ") + Scalar(item);
            *out += head + " " + (value.empty() ? "none" : line) + "\n";
        } else if (value.is_array()) {
            *out += head + (value.empty() ? " none" : "") + "\n";
            size_t n = 0;
            for (const SupportReport& item : value) {
                const std::string number = indent + "  [" + std::to_string(++n) + "]";
                if (item.is_object() && AllScalars(item)) {
                    *out += number + " " + OneLine(item) + "\n";
                } else {
                    *out += number + "\n";
                    Render(item, indent + "    ", out);
                }
            }
        } else {
            *out += head + " " + Scalar(value) + "\n";
        }
    }
}

}  // namespace

std::string SupportReportText(const SupportReport& report) {
    std::string out;
    Render(report, "", &out);
    return out;
}

bool PrintSupportReport(const Options& options) {
    const SupportFacts facts = GatherSupportFacts();
    std::string text;
    if (options.json) {
        const OutcomeRow& reported = OutcomeOf(Outcome::Reported);
        text = DocumentText(facts, reported.result, reported.code, reported.text);
    } else {
        SupportReport report = {{"program", std::string("korvane-update ") + KORVANE_VERSION}};
        report.update(facts);
        text = SupportReportText(report);
    }
    if (options.json) {
        std::fputs(text.c_str(), stdout);
    } else {
        // Each line wrapped under its own indent.
        for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
            const std::string line = text.substr(at, end - at);
            Say(stdout, line, line.find_first_not_of(' ') + 4);
        }
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}
