// A driver interface in front of another: it holds the reference it is
// given, and with its last release lets the inner one go and deletes
// itself. Subclasses implement the calls, passing them to inner_ and
// watching or changing what comes back.
#pragma once

#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/driver_xu.h"
#include "platform/win_types.h"

inline const GUID& IidOf(IKsControl*) { return kIidIKsControl; }
inline const GUID& IidOf(IDriverXu*) { return kIidIDriverXu; }

template <class Interface>
class ForwardingInterface : public ComObject<Interface> {
public:
    explicit ForwardingInterface(Interface* inner) : ComObject<Interface>(IidOf(inner)) {
        inner_.Attach(inner);
    }

protected:
    ComPtr<Interface> inner_;
};
