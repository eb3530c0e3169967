// The order the library lists show and play records in: by one field, byte by
// byte as unsigned values, case-sensitive; a null text sorts as the empty text.
#pragma once

#include "core/host_interface.h"
#include "library/media_library.h"

// Negative, zero or positive as `a` sorts before, with or after `b`.
int compareLibraryRecords(const host::LibraryRecord& a, const host::LibraryRecord& b, LibraryField field);

// Sorts the records of `list` in place by `field`. Records with equal fields
// keep the order the host gave them.
void sortLibraryRecords(host::LibraryRecordList& list, LibraryField field);
