// The request trace as a text file, one request a line, for shell tools:
//
//   <n> <ks|xu> <set|get|len> <selector> <bytes in hex, or -> <HRESULT>
//
// e.g. "12 ks set 9 01 00000000". A length shows its 4 little-endian bytes.
#pragma once

#include <string>
#include <vector>

#include "simcam/trace.h"

namespace e2e {

bool WriteTraceFile(const std::string& path, const std::vector<simcam::Request>& requests);

}  // namespace e2e
