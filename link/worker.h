// The worker thread: the whole conversation with the phone.
#pragma once

#include "platform/platform.h"

// Thread entry; `parameter` is the context pointer.
platform::Dword PLATFORM_CALLBACK workerMain(void* parameter);
