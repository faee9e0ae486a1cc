// The record of every driver call the camera saw, and the logical view in
// which one request reads the same whichever driver path carried it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win_types.h"

namespace simcam {

enum class Path { KsNode, DriverXu };

// Raw calls. On DriverXu a get is a post (WriteFrame) and an Answer
// (ReadFrame); on KsNode it is one call.
// Info asks which directions a control takes (KS basic support: the
// access flags, as a UVC camera answers GET_INFO); KsNode only.
enum class Op { Set, Get, Length, PostGet, PostLength, Answer, Info };

struct Call {
    size_t index;
    Path path;
    Op op;
    uint32_t selector;            // for Answer: the selector of the post it answers (0 if none)
    std::vector<uint8_t> bytes;   // Set: the bytes sent, even if refused; Get, Length, Info
                                  // and Answer: the bytes answered (a length or the access
                                  // flags as 4 LE bytes), or none on failure
    HRESULT result;
};

// Logical requests.
enum class Kind { Set, Get, Length, Info };

struct Request {
    Path path;
    Kind kind;
    uint32_t selector;
    std::vector<uint8_t> bytes;   // Length, Info: the length or access flags as 4 LE bytes
    HRESULT result;               // a KS length query's ERROR_MORE_DATA reads as S_OK here
};

class Trace {
public:
    // Numbers the next call; numbering restarts at Clear().
    size_t Begin() { return next_++; }
    void Add(Call call) { calls_.push_back(std::move(call)); }
    const std::vector<Call>& Calls() const { return calls_; }
    // A DriverXu post that succeeded is folded into the Answer that follows
    // it; a post that failed stands alone; a post never answered is not shown.
    std::vector<Request> Requests() const;
    void Clear() {
        calls_.clear();
        next_ = 0;
    }

private:
    std::vector<Call> calls_;
    size_t next_ = 0;
};

}  // namespace simcam
