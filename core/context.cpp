// The root of the plug-in's state.

#include "core/context.h"

PluginContext* pluginContext = nullptr;

void LinkState::reset() {
    pendingLength = 0;
    discardingLine = false;
    lineTorn = false;
    completedLines = 0;
    takenLines = 0;
}

void SharedFlags::reset() {
    lineConsumed = 1;
    statusPush = 0;
    listPushes = 0;
    volume = 0;
    volumeChanged = 0;
    playStateChanged = 0;
    workerFinished = 0;
    portHandover = 0;
}

void SleepTimerState::reset() {
    arming = 0;
    fadeFactor = 0.0;
    fadeInterval = 0;
    fadeCountdown = 0;
    minuteTimerId = 0;
}
