// The master record of the programs a test starts: a key of the test's own
// (QW5250_SHM_KEY_BASE), so that tests running side by side never hand
// sessions to each other's master, and removal of only that segment.
#pragma once

namespace qwtest {

// Sets QW5250_SHM_KEY_BASE in this process (once; the programs started with
// ChildProcess::BaseEnvironment inherit it) to a base of this test process,
// and removes the record segment of that key when the process exits.
void UsePrivateMasterRecordKey();

// The key of the master record under that base.
long PrivateMasterRecordKey();

// The number of System V segments with this key (0 or 1).
int SharedSegmentsWithKey(long key);

// Removes the segment with this key, if any.
void RemoveSharedSegment(long key);

// Notes a program this process started: segments it created and left
// behind (a hand-off block of a start that was killed) are removed when
// this process exits.
void NoteStartedProcess(int pid);

}  // namespace qwtest
