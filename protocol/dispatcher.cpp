#include "protocol/dispatcher.h"

#include "core/arguments.h"
#include "core/context.h"
#include "link/link.h"
#include "protocol/command_table.h"

void dispatchCommand(Reply& reply) {
    takeLine();
    splitCommandLine();
    const Command* command = findCommand(readDecimal(pluginContext->link.commandToken));
    if (command != nullptr) runCommand(*command, pluginContext->link.argument, reply);
}
