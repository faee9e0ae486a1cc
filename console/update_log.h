// The log file a deployment tool keeps with --log: opened before anything
// reaches the camera, appended to, one record per run: a header line
// (local time, program version, camera, device path), the run's notes, the
// transfer log, and a closing line with the verdict and the exit code.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "update/run_report.h"

class UpdateLog {
public:
    bool Open(const std::string& file, std::string* reason);
    bool IsOpen() const { return file_ != nullptr; }
    // The run's record, written at once so that runs never interleave.
    // False when it could not be written.
    bool Write(const Report& report, const std::string& transferLog);

private:
    std::unique_ptr<FILE, int (*)(FILE*)> file_{nullptr, std::fclose};
    std::string started_;  // the run's start, for its header
};
