// The host's ten-band equalizer, as the phone sees it (values inverted about 63).
#pragma once

constexpr int equalizerBandCount = 10;
constexpr int equalizerPresetCount = 17;

// Phone-side band values of the built-in presets.
extern const int equalizerPresets[equalizerPresetCount][equalizerBandCount];

namespace commands {

int reportEqualizer(const char* argument);       // 6
int setEqualizerBand(const char* argument);      // 9
int applyEqualizerPreset(const char* argument);  // 58

}  // namespace commands
