// The root of the plug-in's state.

#include "core/context.h"

PluginContext* pluginContext = nullptr;
