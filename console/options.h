// The command line, parsed by CLI11, and --help laid out for the terminal.
#pragma once

#include <optional>
#include <string>

#include "update/run_ends.h"

// The program's name, as its JSON documents and records give it.
constexpr char kProgramName[] = "korvane-update";

struct Options {
    bool check = false;       // decide and report only
    bool yes = false;         // no question before writing
    bool json = false;        // one JSON document on standard output
    bool verbose = false;     // the transfer log on standard error as it grows
    bool quiet = false;       // the verdict only, and what went wrong
    bool version = false;     // the program's version, then exit
    bool onBattery = false;   // update without mains power
    bool report = false;      // the facts for support, read without writing the flash
    bool list = false;        // the cameras attached, then exit
    bool history = false;     // the updates this computer made, then exit
    std::string logFile;      // each run's record is appended here
    std::string device;       // the one camera to use: its number in --list, or its path
    std::string usageError;   // what was wrong with the command line
};

// Fills options from the command line. Nothing when the program goes on;
// otherwise how it ends (Help, Usage), the help or the complaint printed.
std::optional<Outcome> ParseOptions(int argc, char** argv, Options* options);
