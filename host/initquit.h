#pragma once

// Start-up and shut-down notifications.
//
// Who calls: the host, once each: on_startup when its services are usable, on_shutdown
// when it is about to stop. One call at a time.
// Throwing: on_startup may throw the errors of a failed service acquisition and whatever
// the host's services throw; on_shutdown never throws.

#include "host/service.h"

class initquit : public service_base {
public:
    // The host has started; called once its services are usable.
    virtual void on_startup() = 0;
    // The host is shutting down.
    virtual void on_shutdown() = 0;

    static constexpr GUID class_guid = {
        0x113773C4, 0xB387, 0x4B48, {0x8B, 0xDF, 0xAB, 0x58, 0xBC, 0x6C, 0xE5, 0x38}};
};
