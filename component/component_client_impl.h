#pragma once

#include "host/component_client.h"

// The client the export hands to the host.
component_client& the_component_client() noexcept;
