#pragma once
// The memory and file-system figures that the terminal's kernel gives
// through sysctl, taken from Linux: /proc/meminfo (or the file named by
// QX_MEMINFO, of the same form), sysconf and statfs type numbers.

// All in KB; -1 where unknown.
struct MemoryFigures {
  long freeKB = -1;      // what programs can still get: MemAvailable, else MemFree
  long reportedKB = -1;  // the memory the system manages: MemTotal
  long physicalKB = -1;  // physical pages times the page size
};

MemoryFigures ReadMemoryFigures();
// Reads the two meminfo figures from text of /proc/meminfo's form.
void ParseMeminfo(const char* text, MemoryFigures* figures);
// The name of a statfs file-system type ("ext4", "nfs", "tmpfs", ...), or
// "unknown".
const char* FileSystemTypeName(long type);
// Whether files of that type lie on a disk of this machine rather than on a
// server: the terminal's own "ffs" and "ifs", and Linux's disk file systems.
bool LocalDiskFileSystem(const char* name);
