// uvcvideo's side of UVCIOC_CTRL_QUERY, modelled over the simulated camera:
// what the driver asks the camera, and what it refuses before asking. The
// umockdev rig and the seam that skips umockdev answer through the same
// model. One request at a time, as the channel sends them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/win_types.h"
#include "simcam/sim_camera.h"

class UvcDriverModel {
public:
    UvcDriverModel(simcam::SimCamera& sim, uint8_t unit);
    ~UvcDriverModel();
    UvcDriverModel(const UvcDriverModel&) = delete;
    UvcDriverModel& operator=(const UvcDriverModel&) = delete;

    // One query; `data` holds `size` bytes. 0, or -1 with *err set.
    int Query(uint8_t unit, uint8_t selector, uint8_t query, uint16_t size, uint8_t* data, int* err);

    // Faults, counted in queries from 0.
    void FailQuery(size_t k, int err);  // query k fails with err, the camera untouched
    void UnplugFrom(size_t k);          // ENODEV from query k on
    // The camera answers GET_LEN of `selector` with `length`, to the driver
    // as to the host.
    void ReportLength(uint8_t selector, uint16_t length);

    struct Asked {
        uint8_t selector, query;
    };
    // Every query so far, in order.
    const std::vector<Asked>& Record() const { return seen_; }
    size_t Queries() const { return seen_.size(); }
    uint8_t Unit() const { return unit_; }

private:
    struct Control {
        bool known = false;  // the driver has asked its length and capabilities
        uint16_t length = 0;
    };
    HRESULT CameraLength(uint8_t selector, uint16_t* length);
    HRESULT CameraRequest(uint8_t selector, ULONG flags, uint8_t* data, ULONG size, ULONG* returned);
    int Perform(uint8_t selector, uint8_t query, uint16_t size, uint8_t* data);

    IKsControl* camera_;
    uint8_t unit_;
    std::array<Control, 256> controls_{};
    std::vector<Asked> seen_;
    std::map<size_t, int> failAt_;
    size_t unplugFrom_ = SIZE_MAX;
    bool unplugged_ = false;
    std::map<uint8_t, uint16_t> reported_;
};
