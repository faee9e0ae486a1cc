#include "console/update_log.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "console/log_text.h"

#include "korvane_version.h"

UpdateLog::~UpdateLog() {
    if (file_) std::fclose(file_);
}

bool UpdateLog::Open(const std::string& file, std::string* reason) {
    started_ = LocalTimeText();
    file_ = std::fopen(file.c_str(), "a");
    if (!file_) *reason = std::strerror(errno);
    return file_ != nullptr;
}

bool UpdateLog::Write(const Report& report, const std::string& transferLog) {
    if (!file_) return false;
    std::string record = "=== " + started_ + "  korvane-update " KORVANE_VERSION "  camera: ";
    if (report.CameraFound())
        record += (report.check.camera.name.empty() ? "(no name)" : Printable(report.check.camera.name)) +
                  "  device: " + (report.check.camera.path.empty() ? "(unknown)" : Printable(report.check.camera.path));
    else
        record += "none";
    record += "\n";
    // What the run warned of, in the program's words, before the camera's.
    for (const std::string& note : report.notes) record += "Note: " + PlainText(note) + "\n";
    // The camera protocol's whole lines; a line it left open is no line.
    record += PlainText(WholeLines(transferLog));
    record += "=== verdict: " + report.result + ", exit code " + std::to_string(report.exitCode) +
              ": " + report.message + "\n";
    const bool written = std::fputs(record.c_str(), file_) >= 0 && std::fflush(file_) == 0;
    return written;
}

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local = *std::localtime(&now);
    std::tm utc = *std::gmtime(&now);
    // Both read as local time: their difference is the offset from UTC.
    utc.tm_isdst = local.tm_isdst;
    std::tm localCopy = local;
    const long offset = long(std::difftime(std::mktime(&localCopy), std::mktime(&utc)));
    char text[40];
    const size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, " %c%02ld%02ld", offset < 0 ? '-' : '+',
                  std::labs(offset) / 3600, std::labs(offset) / 60 % 60);
    return text;
}
