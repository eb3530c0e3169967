#include "protocol/dispatcher.h"

#include "core/arguments.h"
#include "core/context.h"
#include "link/link.h"
#include "protocol/command_table.h"

int dispatchCommand() {
    takeLine();
    splitCommandLine();
    const Command* command = findCommand(readDecimal(pluginContext->commandToken));
    if (command == nullptr || command->handler == nullptr) return 0;
    return command->handler(pluginContext->argument);
}
