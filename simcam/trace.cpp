#include "simcam/trace.h"

#include "simcam/results.h"

namespace simcam {

std::vector<Request> Trace::Requests() const {
    std::vector<Request> out;
    Kind lastPost = Kind::Get;
    for (const Call& c : calls_) {
        switch (c.op) {
            case Op::Set:
                out.push_back({c.path, Kind::Set, c.selector, c.bytes, c.result});
                break;
            case Op::Get:
                out.push_back({c.path, Kind::Get, c.selector, c.bytes, c.result});
                break;
            case Op::Info:
                out.push_back({c.path, Kind::Info, c.selector, c.bytes, c.result});
                break;
            case Op::Length: {
                // ERROR_MORE_DATA is how KS says "here is the length": a success.
                HRESULT hr = c.result == kMoreData ? kOk : c.result;
                out.push_back({c.path, Kind::Length, c.selector, c.bytes, hr});
                break;
            }
            case Op::PostGet:
            case Op::PostLength: {
                Kind kind = c.op == Op::PostGet ? Kind::Get : Kind::Length;
                if (FAILED(c.result))
                    out.push_back({c.path, kind, c.selector, {}, c.result});
                else
                    lastPost = kind;
                break;
            }
            case Op::Answer:
                out.push_back({c.path, lastPost, c.selector, c.bytes, c.result});
                break;
        }
    }
    return out;
}

}  // namespace simcam
