// The two ways the plug-in talks to the host main window, both synchronous.
#pragma once

#include <cstdint>

#include "core/context.h"
#include "core/host_interface.h"
#include "platform/platform.h"

// WM_USER with the request code in lParam; returns the host's answer.
inline platform::LResult hostRequest(const HostHandles& handles, platform::LParam request, platform::WParam wParam) {
    return platform::sendMessage(handles.window, platform::messageUser, wParam, request);
}

// A signed number as wParam, the way the 32-bit host reads it back.
inline platform::LResult hostRequestNumber(const HostHandles& handles, platform::LParam request, std::int32_t number) {
    return hostRequest(handles, request, static_cast<platform::WParam>(number));
}

// WM_COMMAND: one of the host's buttons.
inline void pressHostButton(const HostHandles& handles, platform::WParam commandId) {
    platform::sendMessage(handles.window, platform::messageCommand, commandId, 0);
}

// The host's answers are 32-bit numbers (the host is a 32-bit program).
inline std::int32_t hostNumber(platform::LResult answer) { return static_cast<std::int32_t>(answer); }
