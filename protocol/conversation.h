// The worker thread: the whole conversation with the phone.
#pragma once

#include "platform/platform.h"

struct SharedFlags;

// Thread entry; `parameter` is the context pointer.
platform::Dword PLATFORM_CALLBACK workerMain(void* parameter);

// Quit, when it stops waiting for a worker that has not finished, leaves the
// port to it: the worker closes the port when it ends. False when the worker
// has already ended, and the caller closes the port itself.
bool leavePortToWorker(SharedFlags& flags);
