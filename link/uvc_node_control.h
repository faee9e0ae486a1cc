// The extension unit through Linux's uvcvideo driver: the channel's
// KSP_NODE requests carried as UVCIOC_CTRL_QUERY ioctls on an open
// /dev/videoN. The request's node is the unit's UVC ID, its property the
// control's selector.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/com_object.h"
#include "platform/ks_properties_only.h"
#include "platform/win_types.h"

// Where every request's ioctl goes: the system's ioctl, or whatever a
// benchmark or a test puts in place. Returns the previous one; null puts
// the system's back.
using UvcIoctlFn = int (*)(int fd, unsigned long request, void* arg);
UvcIoctlFn SetUvcIoctl(UvcIoctlFn fn);

// One UVCIOC_CTRL_QUERY on `fd` through that ioctl, sent again when a
// signal cut it short (within a bound). 0, or the errno it ended with.
int UvcQuery(int fd, uint8_t unit, uint8_t selector, uint8_t query, uint16_t size, uint8_t* data);
// "GET_LEN", "GET_INFO", ...: a query code for people.
const char* UvcQueryName(uint8_t query);

class UvcNodeControl final : public PropertiesOnly<ComObject<IKsControl>> {
public:
    // Takes over `fd`, closed when the last reference goes. A failed
    // request appends a line naming its errno to *log (when log is set),
    // on the thread that made the request.
    UvcNodeControl(int fd, std::string* log);

    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY Property, ULONG PropertyLength,
                                         LPVOID PropertyData, ULONG DataLength,
                                         ULONG* BytesReturned) override;

private:
    ~UvcNodeControl() override;
    HRESULT Query(ULONG unit, ULONG selector, uint8_t query, uint16_t size, uint8_t* data);

    int fd_;
    std::string* log_;
    // What the camera last answered GET_LEN for each selector, to tell a
    // length the driver fixed earlier from a wrong one.
    std::map<ULONG, uint16_t> answeredLength_;
};
