#pragma once

#include "host/service.h"

// Start-up and shut-down notifications.
class initquit : public service_base {
public:
    // The host has started; called once its services are usable.
    virtual void on_startup() = 0;
    // The host is shutting down.
    virtual void on_shutdown() = 0;

    static constexpr GUID class_guid = {
        0x113773C4, 0xB387, 0x4B48, {0x8B, 0xDF, 0xAB, 0x58, 0xBC, 0x6C, 0xE5, 0x38}};
};
