// The drive list and the folder browser: the phone walks the computer's drives
// and folders in one browser screen and plays or enqueues the files it finds.
// Command 20 lists the drives (no paging, no wait); command 1 lists a folder
// as a paged list that takes 2 (play a file) and 3 (enqueue it).
#pragma once
