#include "protocol/dispatcher.h"

#include "core/arguments.h"
#include "core/context.h"
#include "link/link.h"
#include "link/reply.h"
#include "protocol/command_table.h"

void dispatchCommand(Reply& reply) {
    PluginContext& context = reply.context();
    takeLine(context);
    splitCommandLine(context.link);
    const Command* command = findCommand(readDecimal(context.link.commandToken));
    if (command != nullptr) runCommand(*command, context.link.argument, reply);
}
