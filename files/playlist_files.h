// Playlist files in the user's My Music folder: list them (command 4), play
// one (5), and save the host's current playlist there under a name the phone
// chooses (23).
#pragma once
