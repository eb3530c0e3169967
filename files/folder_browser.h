// The drive list and the folder browser: the phone walks the computer's drives
// and folders in one browser screen and plays or enqueues the files it finds.
#pragma once

#include "core/wire.h"

// The first line of every browser list: drives, folder entries, playlist files.
constexpr char fileListHeader[] = {wire::replyFileList, wire::listBegins, '\0'};

// Command 20: the header, then one line per ready fixed, removable or CD-ROM
// drive with its volume label and letter. No paging, no wait.
void sendDriveList();

// Command 1: the sub-folders and playable files of `folder` as a paged list
// that takes 2 (play a file) and 3 (enqueue it) while it waits.
void runFolderBrowser(const char* folder);
