// The host's ten-band equalizer, as the phone sees it (values inverted about 63).
#pragma once

#include "protocol/command_table.h"

constexpr int equalizerBandCount = 10;
constexpr int equalizerPresetCount = 17;

// Phone-side band values of the built-in presets.
extern const int equalizerPresets[equalizerPresetCount][equalizerBandCount];

namespace commands {

void reportEqualizer(const Request& request, Reply& reply);
void setEqualizerBand(const Request& request, Reply& reply);
void applyEqualizerPreset(const Request& request, Reply& reply);

}  // namespace commands
