// Runs the command line that waits in the context.
#pragma once

class Reply;
struct PluginContext;

// Takes the waiting line (lineConsumed 1), splits it and runs its command.
void dispatchCommand(PluginContext& context, Reply& reply);
