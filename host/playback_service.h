#pragma once

// The host's playback control.
//
// Who calls: the component, from inside its handlers, on a reference it acquired for that
// call. Throwing: may throw; the component lets the error pass.

#include "host/service.h"

class playback_service : public service_base {
public:
    // True while playback is running (the host decides whether paused counts).
    virtual bool is_playing() = 0;

    static constexpr GUID class_guid = {
        0xBF803668, 0x2977, 0x4C71, {0xB9, 0xAB, 0x5C, 0x77, 0xC3, 0x38, 0xC9, 0x70}};
};
