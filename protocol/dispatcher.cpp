#include "protocol/dispatcher.h"

#include "core/arguments.h"
#include "core/context.h"
#include "link/link.h"
#include "protocol/command_table.h"

void dispatchCommand(PluginContext& context, Reply& reply) {
    takeLine(context);
    splitCommandLine(context.link);
    const Command* command = findCommand(readDecimal(context.link.commandToken));
    if (command != nullptr) runCommand(*command, context.link.argument, context, reply);
}
