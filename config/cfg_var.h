#pragma once

#include <cstdint>

#include "host/guid.h"
#include "host/stream.h"

// A persistent configuration variable: a GUID naming it in the configuration stream, and
// its own payload format. Constructing one enters it at the head of the module-wide list;
// it is never taken out.
class cfg_var {
public:
    // Writes the current value as payload bytes.
    virtual void get_data(stream_writer& writer, abort_token& abort) = 0;
    // Replaces the value with one read from `reader`, which ends with the payload of `size`
    // bytes.
    virtual void set_data(stream_reader& reader, uint32_t size, abort_token& abort) = 0;

    GUID guid;
    cfg_var* next; // registered before this one; null for the first

protected:
    explicit cfg_var(const GUID& id) noexcept;
    cfg_var(const cfg_var&) = delete;
    cfg_var& operator=(const cfg_var&) = delete;
    ~cfg_var() = default;
};

// The most recently registered variable; null until the first is constructed.
extern cfg_var* cfg_var_list_head;

// Writes one record per registered variable, newest first: GUID, payload size, payload.
// Errors from a variable or from `writer` pass to the caller; records already written stay.
void cfg_var_list_write(stream_writer& writer, abort_token& abort);

// Reads records until the stream ends and hands each to the variable of its GUID. Damaged
// payloads are passed over; any other error passes to the caller.
void cfg_var_list_read(stream_reader& reader, abort_token& abort);
