#include "protocol/status.h"

#include <cstdint>
#include <cstring>

#include "core/host_requests.h"
#include "core/text.h"
#include "core/wire.h"
#include "link/reply.h"

namespace {

// Cuts the copied title to at most `limit` bytes, ending on a whole character,
// and turns every ':' into ';' so that the title cannot split a field.
const char* fitTitle(char* title, std::size_t limit) {
    std::size_t length = std::strlen(title);
    if (length > limit) {
        // Cut before a double-byte character that would otherwise lose its second byte.
        length = static_cast<std::size_t>(platform::previousCharacter(title, title + limit + 1) - title);
        title[length] = '\0';
    }
    for (char* p = title; *p != '\0'; ++p)
        if (*p == ':') *p = ';';
    return title;
}

// The length is sent in milliseconds with 32-bit arithmetic, as the phone reads it.
std::int32_t secondsToMilliseconds(std::int32_t seconds) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds) * 1000u);
}

}  // namespace

void sendNowPlayingLine(PluginContext& context, Reply& reply) {
    const HostHandles& handles = context.host;
    // Every query is made before anything is tested, in the order the host expects.
    const platform::LResult position = hostRequest(handles, host::requestPlaylistPosition, 0);
    const platform::LResult titleAddress =
        hostRequest(handles, host::requestEntryTitle, static_cast<platform::WParam>(position));
    // The host may reuse its title buffer for the requests that follow: copy it now.
    char title[wire::replyTextLimit + 1] = {};
    if (titleAddress != 0) {
        const char* source = reinterpret_cast<const char*>(titleAddress);
        std::size_t length = 0;
        while (length < wire::replyTextLimit && source[length] != '\0') ++length;
        std::memcpy(title, source, length);
        title[length] = '\0';
    }
    const std::int32_t sampleRate = hostNumber(hostRequest(handles, host::requestStreamInfo, 0));
    const std::int32_t positionMs = hostNumber(hostRequest(handles, host::requestTrackTime, 0));
    const std::int32_t lengthSeconds = hostNumber(hostRequest(handles, host::requestTrackTime, 1));
    const std::int32_t playState = hostNumber(hostRequest(handles, host::requestPlayState, 0));
    const std::int32_t channels = hostNumber(hostRequest(handles, host::requestStreamInfo, 2));
    const std::int32_t shuffle = hostNumber(hostRequest(handles, host::requestShuffle, 0));
    const std::int32_t repeat = hostNumber(hostRequest(handles, host::requestRepeat, 0));

    // No title: no line, and the flag stays raised so the next turn asks again.
    if (titleAddress == 0) return;

    // The other fields and the code decide how much of the title fits one line.
    const char* const fields = "%d:%s:%d:%d:%d:%d:%d:%d:";
    char withoutTitle[wire::replyTextLimit + 1];
    formatText(withoutTitle, sizeof withoutTitle, fields, playState, "", sampleRate, channels,
               secondsToMilliseconds(lengthSeconds), positionMs, shuffle, repeat);
    const std::size_t lengthWithoutTitle = std::strlen(withoutTitle) + 1;
    reply.format(wire::replyNowPlaying, fields, playState, fitTitle(title, wire::replyTextLimit - lengthWithoutTitle),
                 sampleRate, channels, secondsToMilliseconds(lengthSeconds), positionMs, shuffle, repeat);
    // Cleared only now: the queries above raised the flag through the hook.
    context.flags.playStateChanged = 0;
}

void sendVolumeLine(SharedFlags& flags, Reply& reply) {
    // Cleared before the volume is read: a change the hook records while the
    // line is written raises the mark again and gets a line of its own.
    flags.volumeChanged.exchange(0);
    reply.number(wire::replyVolume, flags.volume.load());
}

void sendOwedStatusLines(PluginContext& context, Reply& reply) {
    SharedFlags& flags = context.flags;
    if (flags.statusPush != 0 && flags.playStateChanged != 0) sendNowPlayingLine(context, reply);
    if (flags.volumeChanged != 0) sendVolumeLine(flags, reply);
}

namespace commands {

void statusPushOn(const Request& request, Reply& reply) {
    sendVolumeLine(request.context.flags, reply);
    sendNowPlayingLine(request.context, reply);
    request.context.flags.statusPush = 1;
}

void statusPushOff(const Request& request, Reply&) { request.context.flags.statusPush = 0; }

void reportVersion(const Request& request, Reply& reply) {
    // A phone sends 27 when it connects, and the plug-in cannot tell one phone
    // from the next: one that never asks for the status lines inside lists
    // does not get them because another phone did.
    request.context.flags.listPushes = 0;
    reply.format(wire::replyVersion, "Winamp %d running!",
                 hostNumber(hostRequest(request.context.host, host::requestVersion, 0)));
}

void switchListPushes(const Request& request, Reply& reply) {
    if (std::strcmp(request.text, "1") == 0) {
        statusPushOn(request, reply);
        request.context.flags.listPushes = 1;
    } else if (std::strcmp(request.text, "0") == 0) {
        request.context.flags.listPushes = 0;
    }
}

void reportCodePage(const Request& request, Reply& reply) {
    reply.number(wire::replyCodePage, static_cast<std::int32_t>(request.context.textFold.codePage));
}

}  // namespace commands
