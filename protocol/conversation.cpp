// The worker thread: reads command lines, dispatches them and pushes the
// status lines the host window hook has marked as owed, until the stop flag.

#include "protocol/conversation.h"

#include "core/context.h"
#include "link/link.h"
#include "link/reply.h"
#include "protocol/dispatcher.h"
#include "protocol/status.h"

bool leavePortToWorker(SharedFlags& flags) { return flags.portHandover.exchange(2) == 0; }

platform::Dword PLATFORM_CALLBACK workerMain(void* parameter) {
    PluginContext& context = *static_cast<PluginContext*>(parameter);
    Reply reply{context};
    for (;;) {
        int number = 0;
        receiveLine(context, number);
        // A list that ends on a line it does not take leaves that line waiting:
        // it is carried out here, before anything else.
        while (context.flags.lineConsumed == 0) dispatchCommand(context, reply);
        sendOwedStatusLines(context, reply);
        if (context.flags.stop != 0) break;
    }
    reply.endConversation();
    if (context.flags.portHandover.exchange(1) == 2) platform::closeSerialPort(context.host.port);
    context.flags.workerFinished = 1;
    return 0;
}
