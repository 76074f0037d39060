#pragma once
// System V shared memory of the master process: the per-user master record
// and the blocks in which later starts hand their sessions over. Every
// segment is created for the owner only (0600); one that is attached must
// belong to this user and be closed to everyone else, or it is refused.

// Added to the user id for the master record's key. The environment
// variable QW5250_SHM_KEY_BASE replaces it (decimal or 0x hex), so that
// test programs running side by side keep their records apart.
constexpr long kMasterRecordKeyBase = 0x43C8DE2;

// The key of this user's master record.
long MasterRecordKey();

// Attaches the segment of `*key` (size bytes at least). With useExisting an
// existing segment is taken; without it an existing segment counts as taken
// and the next key is tried (at most 10,000). A missing segment is created
// when mayCreate is set (created becomes 1). The key is updated to the one
// used. Returns the segment id, or -1 (logged) and *address null.
int GetPointerToSharedMemory(long* key, unsigned size, void** address, char& created, char mayCreate,
                             char useExisting);

// Detaches; with id >= 1 also removes the segment. The result of the last call.
int DetachSharedMemory(void* address, int id);

// Whether the segment `id` may be used: owned and created by this user,
// readable and writable by nobody else, and at least `size` bytes. Logs why
// not.
bool SharedSegmentIsOurs(int id, unsigned size);
