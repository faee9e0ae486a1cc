#include "simcam/camera_time.h"

namespace simcam {

bool CameraTime::Spend(uint64_t us) {
    uint64_t now = NowUs();
    if (cutSet_ && now + us >= cutUs_) {
        if (cutUs_ > now) Move(cutUs_ - now);
        return false;
    }
    Move(us);
    return true;
}

void CameraTime::Move(uint64_t us) {
    if (clock_)
        clock_->Spend(us);
    else
        ownUs_ += us;
}

}  // namespace simcam
