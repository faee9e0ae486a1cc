#include "console/update_log.h"

#include <cerrno>
#include <cstring>

#include "korvane_version.h"
#include "platform/clock.h"
#include "platform/printable.h"
#include "update/check_words.h"
#include "update/log_lines.h"

bool UpdateLog::Open(const std::string& file, std::string* reason) {
    started_ = LocalTimeText();
    file_.reset(std::fopen(file.c_str(), "a"));
    if (!file_) *reason = std::strerror(errno);
    return file_ != nullptr;
}

bool UpdateLog::Write(const Report& report, const std::string& transferLog) {
    if (!file_) return false;
    std::string record = "=== " + started_ + "  korvane-update " KORVANE_VERSION "  camera: ";
    if (report.CameraFound())
        record += CameraNameWords(report.check.camera) +
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
    return std::fputs(record.c_str(), file_.get()) >= 0 && std::fflush(file_.get()) == 0;
}
