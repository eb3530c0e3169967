// The worker thread: reads command lines, dispatches them and pushes the
// status lines the host window hook has marked as owed, until the stop flag.

#include "protocol/conversation.h"

#include <atomic>

#include "core/context.h"
#include "link/link.h"
#include "link/reply.h"
#include "protocol/dispatcher.h"
#include "protocol/status.h"

namespace {

// Who closes the port: 0 while the worker runs, 1 once it has ended, 2 when
// quit has left the port to it. Exactly one side closes.
std::atomic<int> portHandover{0};

}  // namespace

void resetWorkerState() { portHandover = 0; }

bool leavePortToWorker() { return portHandover.exchange(2) == 0; }

platform::Dword PLATFORM_CALLBACK workerMain(void* parameter) {
    PluginContext& context = *static_cast<PluginContext*>(parameter);
    Reply reply;
    for (;;) {
        receiveLine();
        // A list that ends on a line it does not take leaves that line waiting:
        // it is carried out here, before anything else.
        while (context.lineConsumed == 0) dispatchCommand(reply);
        if (context.statusPush != 0 && context.playStateChanged != 0) sendNowPlayingLine(reply);
        if (context.volumeChanged != 0) sendVolumeLine(reply);
        if (stopFlag != 0) break;
    }
    reply.endConversation();
    if (portHandover.exchange(1) == 2) platform::closeSerialPort(context.port);
    context.workerFinished = 1;
    return 0;
}
