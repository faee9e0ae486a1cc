// uvcvideo's side of UVCIOC_CTRL_QUERY, modelled over the simulated camera:
// what the driver asks the camera, and what it refuses before asking, read
// from the descriptors the camera serves. The umockdev rig and the seam
// that skips umockdev answer through the same model. One request at a
// time, as the channel sends them. The model is the camera's, shared by
// every node and process: what the driver learnt of a control lives until
// the camera goes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "platform/win_types.h"
#include "simcam/sim_camera.h"

class UvcDriverModel {
public:
    // The simulated camera answers as extension unit `unit`; until Serve()
    // the descriptors are a one-function camera's with that unit holding
    // every control the camera has.
    UvcDriverModel(simcam::SimCamera& sim, uint8_t unit);
    ~UvcDriverModel();
    UvcDriverModel(const UvcDriverModel&) = delete;
    UvcDriverModel& operator=(const UvcDriverModel&) = delete;

    // The raw descriptors the USB device serves; the driver reads the
    // configuration whose bConfigurationValue is `configuration`.
    void Serve(const std::vector<uint8_t>& descriptors, uint8_t configuration = 1);

    // One query on a capture node of VideoControl interface `interface`;
    // `data` holds `size` bytes. 0, or -1 with *err set.
    int Query(uint8_t interface, uint8_t unit, uint8_t selector, uint8_t query, uint16_t size,
              uint8_t* data, int* err);
    // The same on the first function's capture node.
    int Query(uint8_t unit, uint8_t selector, uint8_t query, uint16_t size, uint8_t* data, int* err);

    // Faults, counted in queries from 0.
    void FailQuery(size_t k, int err);  // query k fails with err, the camera untouched
    void UnplugFrom(size_t k);          // ENODEV from query k on
    // The camera answers GET_LEN of `selector` with `length`, to the driver
    // as to the host.
    void ReportLength(uint8_t selector, uint16_t length);
    // The camera answers GET_INFO of `selector` with `info` (bit 0 GET, bit 1 SET).
    void ReportInfo(uint8_t selector, uint8_t info);

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
        uint8_t info = 0;
    };
    // An extension unit as the driver keeps it: on a chain of its interface or not.
    struct XuUnit {
        std::vector<uint8_t> controls;  // bmControls
        bool onChain = false;
    };
    HRESULT CameraLength(uint8_t selector, uint16_t* length);
    HRESULT CameraInfo(uint8_t selector, uint8_t* info);
    HRESULT CameraRequest(uint8_t selector, ULONG flags, uint8_t* data, ULONG size, ULONG* returned);
    int Refusal(uint8_t interface, uint8_t unit, uint8_t selector) const;
    int Perform(uint8_t selector, uint8_t query, uint16_t size, uint8_t* data);

    IKsControl* camera_;
    uint8_t unit_;
    // Extension units by VideoControl interface number, then unit ID.
    std::map<uint8_t, std::map<uint8_t, XuUnit>> units_;
    uint8_t firstInterface_ = 0;
    std::array<Control, 256> controls_{};
    std::vector<Asked> seen_;
    std::map<size_t, int> failAt_;
    size_t unplugFrom_ = SIZE_MAX;
    bool unplugged_ = false;
    std::map<uint8_t, uint16_t> reported_;
    std::map<uint8_t, uint8_t> reportedInfo_;
};
