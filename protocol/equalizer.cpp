#include "protocol/equalizer.h"

#include <cstdint>
#include <cstring>

#include "core/arguments.h"
#include "core/host_requests.h"
#include "core/text.h"
#include "core/wire.h"
#include "link/reply.h"

const int equalizerPresets[equalizerPresetCount][equalizerBandCount] = {
    {32, 32, 32, 32, 32, 32, 19, 19, 19, 15}, {32, 32, 37, 41, 41, 41, 37, 32, 32, 32},
    {47, 43, 35, 31, 31, 21, 19, 19, 31, 31}, {47, 47, 47, 41, 34, 24, 17, 14, 13, 13},
    {43, 41, 32, 19, 23, 34, 45, 49, 51, 51}, {15, 15, 15, 24, 36, 49, 57, 57, 57, 59},
    {39, 49, 40, 25, 27, 34, 39, 47, 52, 55}, {48, 48, 41, 41, 32, 23, 23, 23, 32, 32},
    {23, 32, 38, 40, 41, 41, 38, 36, 36, 35}, {43, 43, 32, 32, 32, 32, 32, 32, 43, 43},
    {28, 39, 43, 44, 40, 29, 27, 27, 28, 28}, {32, 32, 30, 21, 32, 42, 42, 32, 32, 32},
    {44, 39, 22, 18, 25, 38, 46, 49, 49, 49}, {27, 23, 24, 30, 38, 41, 46, 47, 49, 47},
    {39, 34, 29, 27, 29, 38, 45, 47, 49, 51}, {38, 38, 35, 30, 24, 22, 25, 30, 36, 46},
    {44, 41, 32, 22, 23, 32, 44, 47, 47, 46},
};

namespace {

// The phone's scale runs the other way from the host's; the same turn maps
// either side to the other. No range is enforced (70 becomes -7), and the
// arithmetic wraps instead of overflowing on absurd input.
std::int32_t invertBandValue(std::int32_t value) {
    return static_cast<std::int32_t>(63u - static_cast<std::uint32_t>(value));
}

void setBand(const HostHandles& handles, std::int32_t band, std::int32_t phoneValue) {
    // Request 127 names the band that the following 128 sets.
    hostRequestNumber(handles, host::requestEqualizerBand, band);
    hostRequestNumber(handles, host::requestSetEqualizerBand, invertBandValue(phoneValue));
}

}  // namespace

namespace commands {

void reportEqualizer(const Request& request, Reply& reply) {
    char text[wire::replyTextLimit + 1];
    std::size_t length = 0;
    for (int band = 0; band < equalizerBandCount; ++band) {
        const std::int32_t hostValue =
            hostNumber(hostRequestNumber(request.context.host, host::requestEqualizerBand, band));
        // At most 12 bytes per band: the line cannot run out of room.
        formatText(text + length, sizeof text - length, "%d:", invertBandValue(hostValue));
        length += std::strlen(text + length);
    }
    reply.coded(wire::replyEqualizer, text);
}

void setEqualizerBand(const Request& request, Reply&) {
    // Band digit, one separator of any kind, then a value of one or two digits.
    const char* argument = request.text;
    if (std::strlen(argument) < 3) return;
    const char bandText[2] = {argument[0], '\0'};
    const char valueText[3] = {argument[2], argument[3], '\0'};
    setBand(request.context.host, readDecimal(bandText), readDecimal(valueText));
}

void applyEqualizerPreset(const Request& request, Reply&) {
    const std::int32_t preset = request.number;
    if (preset < 0 || preset >= equalizerPresetCount) return;
    for (int band = 0; band < equalizerBandCount; ++band)
        setBand(request.context.host, band, equalizerPresets[preset][band]);
}

}  // namespace commands
