// The now-playing, volume, version and code page lines.
#pragma once

#include "protocol/command_table.h"

struct SharedFlags;

// The now-playing line ("J..."), or nothing while the host has no title.
void sendNowPlayingLine(PluginContext& context, Reply& reply);
// "Q" and the known volume; clears volumeChanged.
void sendVolumeLine(SharedFlags& flags, Reply& reply);
// What the conversation loop sends between commands: the now-playing line when
// the status push is on and one is owed, then the volume line when one is owed.
void sendOwedStatusLines(PluginContext& context, Reply& reply);

namespace commands {

void statusPushOn(const Request& request, Reply& reply);
void statusPushOff(const Request& request, Reply& reply);
void reportVersion(const Request& request, Reply& reply);
// "1": the status lines also while a list waits, answered as 18 answers (and
// the status push on); "0": off again, no reply; anything else: nothing.
void switchListPushes(const Request& request, Reply& reply);
// "C" and the number of the PC's code page (1252, 1251, 932, ...).
void reportCodePage(const Request& request, Reply& reply);

}  // namespace commands
