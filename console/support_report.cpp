#include "console/support_report.h"

#include "console/json_document.h"
#include "console/screen.h"
#include "discovery/support_facts.h"
#include "korvane_version.h"

bool PrintSupportReport(const Options& options) {
    const SupportFacts facts = GatherSupportFacts();
    Report reported;
    reported.Ends(Outcome::Reported);
    if (options.json) return PrintDocument(facts, reported);
    SupportFacts report = {{"program", std::string("korvane-update ") + KORVANE_VERSION}};
    report.update(facts);
    const std::string text = SupportFactsText(report);
    // Each line wrapped under its own indent.
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = text.substr(at, end - at);
        Say(stdout, line, line.find_first_not_of(' ') + 4);
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}
