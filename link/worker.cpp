// The worker thread: reads command lines, dispatches them and pushes the
// status lines the host window hook has marked as owed, until the stop flag.

#include "link/worker.h"

#include "link/link.h"
#include "plugin/context.h"
#include "protocol/dispatcher.h"
#include "protocol/status.h"

platform::Dword PLATFORM_CALLBACK workerMain(void* parameter) {
    PluginContext& context = *static_cast<PluginContext*>(parameter);
    for (;;) {
        receiveLine();
        // A list that ends on a line it does not take leaves that line waiting:
        // it is carried out here, before anything else.
        while (context.lineConsumed == 0) dispatchCommand();
        if (context.statusPush != 0 && context.playStateChanged != 0) sendNowPlayingLine();
        if (context.volumeChanged != 0) sendVolumeLine();
        if (stopFlag != 0) break;
    }
    // End of conversation: X and LF, one attempt each.
    sendRawByte('X');
    sendRawByte('\n');
    context.workerFinished = 1;
    return 0;
}
