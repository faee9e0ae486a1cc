#include "e2e/server/trace_file.h"

#include <cstdio>

namespace e2e {

namespace {

const char* PathName(simcam::Path path) { return path == simcam::Path::KsNode ? "ks" : "xu"; }

const char* KindName(simcam::Kind kind) {
    switch (kind) {
        case simcam::Kind::Set: return "set";
        case simcam::Kind::Get: return "get";
        case simcam::Kind::Length: return "len";
        case simcam::Kind::Info: return "info";
    }
    return "?";
}

}  // namespace

bool WriteTraceFile(const std::string& path, const std::vector<simcam::Request>& requests) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    size_t number = 0;
    for (const simcam::Request& r : requests) {
        std::fprintf(out, "%u %s %s %u ", unsigned(number++), PathName(r.path), KindName(r.kind),
                     unsigned(r.selector));
        if (r.bytes.empty()) std::fputc('-', out);
        for (uint8_t byte : r.bytes) std::fprintf(out, "%02x", byte);
        std::fprintf(out, " %08lx\n", static_cast<unsigned long>(r.result));
    }
    return std::fclose(out) == 0;
}

}  // namespace e2e
