#include "protocol/status.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "link/link.h"
#include "protocol/host_requests.h"

namespace {

// A reply line holds at most this much text; the reply buffer adds LF and NUL.
constexpr std::size_t replyTextLimit = 1022;

// Copies at most `limit` bytes of the host's title, ending on a whole
// character, with every ':' turned into ';' so the title cannot split a field.
void copyTitle(const char* title, char* out, std::size_t limit) {
    std::size_t length = 0;
    while (length < limit && title[length] != '\0') ++length;
    if (title[length] != '\0' && length > 0) {
        // Cut before a double-byte character that would otherwise lose its second byte.
        length = static_cast<std::size_t>(platform::previousCharacter(title, title + length + 1) - title);
    }
    for (std::size_t i = 0; i < length; ++i) out[i] = title[i] == ':' ? ';' : title[i];
    out[length] = '\0';
}

// The length is sent in milliseconds with 32-bit arithmetic, as the phone reads it.
std::int32_t secondsToMilliseconds(std::int32_t seconds) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds) * 1000u);
}

}  // namespace

void sendNowPlayingLine() {
    // Every query is made before anything is tested, in the order the host expects.
    const platform::LResult position = hostRequest(host::requestPlaylistPosition, 0);
    const platform::LResult title = hostRequest(host::requestEntryTitle, static_cast<platform::WParam>(position));
    const std::int32_t sampleRate = hostNumber(hostRequest(host::requestStreamInfo, 0));
    const std::int32_t positionMs = hostNumber(hostRequest(host::requestTrackTime, 0));
    const std::int32_t lengthSeconds = hostNumber(hostRequest(host::requestTrackTime, 1));
    const std::int32_t playState = hostNumber(hostRequest(host::requestPlayState, 0));
    const std::int32_t channels = hostNumber(hostRequest(host::requestStreamInfo, 2));
    const std::int32_t shuffle = hostNumber(hostRequest(host::requestShuffle, 0));
    const std::int32_t repeat = hostNumber(hostRequest(host::requestRepeat, 0));

    // No title: no line, and the flag stays raised so the next turn asks again.
    if (title == 0) return;

    char line[1024];
    auto formatLine = [&](const char* titleText) {
        return std::snprintf(line, sizeof line, "%c%d:%s:%d:%d:%d:%d:%d:%d:", 'J', playState, titleText, sampleRate,
                             channels, secondsToMilliseconds(lengthSeconds), positionMs, shuffle, repeat);
    };
    // The other fields decide how much of the title fits one reply line.
    const int lengthWithoutTitle = formatLine("");
    char titleCopy[1024];
    copyTitle(reinterpret_cast<const char*>(title), titleCopy,
              replyTextLimit - static_cast<std::size_t>(lengthWithoutTitle));
    formatLine(titleCopy);
    sendReply(line);
    // Cleared only now: the queries above raised the flag through the hook.
    pluginContext->playStateChanged = 0;
}

void sendVolumeLine() {
    char line[16];
    std::snprintf(line, sizeof line, "%c%d", 'Q', static_cast<int>(pluginContext->volume.load()));
    sendReply(line);
    pluginContext->volumeChanged = 0;
}

namespace commands {

int statusPushOn(const char*) {
    sendVolumeLine();
    sendNowPlayingLine();
    pluginContext->statusPush = 1;
    return 0;
}

int statusPushOff(const char*) {
    pluginContext->statusPush = 0;
    return 0;
}

int reportVersion(const char*) {
    char line[64];
    std::snprintf(line, sizeof line, "%cWinamp %d running!", 'K', hostNumber(hostRequest(host::requestVersion, 0)));
    sendReply(line);
    return 0;
}

}  // namespace commands
