#pragma once
#include <cstddef>

// What a failed LocalMalloc does.
enum LocalMallocFailOption : int {
  MallocFailReturnNull = 1,       // log and return null
  MallocFailExitProcess = 2,      // log, wait 2 s, exit(1)
  MallocFailExitMaster = 3,       // end the master process with status 1
  MallocFailLowMemoryDialog = 4,  // log, wait 2 s, post the low-memory dialog, return null
};

// malloc with a label for the failure message and a failure policy. The block
// is released with free().
void* LocalMalloc(const char* label, size_t size, LocalMallocFailOption option);

// Shows the low-memory dialog (once), releasing the memory reserve first when
// memory is exhausted. The window front end registers the dialog.
void PostLowMemoryDialog();

struct LowMemoryDialogHooks {
  void (*show)() = nullptr;       // manage the dialog
};
void SetLowMemoryDialogHooks(const LowMemoryDialogHooks& hooks);
// Called by the dialog's OK: unposts it and takes a new reserve when none is held.
void LowMemoryDialogClosed();
bool LowMemoryDialogPosted();
// Takes the reserve of up to 20,000 bytes held for the dialog.
void ReserveLowMemoryBlock();
size_t LowMemoryReserveSize();

// Tests: the allocator behind LocalMalloc (null restores malloc).
using LocalMallocAllocator = void* (*)(size_t);
void SetLocalMallocAllocator(LocalMallocAllocator fn);
