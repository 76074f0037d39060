#include "platform/SystemFigures.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Reads "<name>: <number> kB" from a line start; -1 when absent or malformed.
long Field(const char* text, const char* name) {
  const size_t n = std::strlen(name);
  for (const char* line = text; line && *line;) {
    if (std::strncmp(line, name, n) == 0 && line[n] == ':') {
      char* end = nullptr;
      errno = 0;
      const long v = std::strtol(line + n + 1, &end, 10);
      if (errno || end == line + n + 1 || v < 0) return -1;
      return v;
    }
    line = std::strchr(line, '\n');
    if (line) ++line;
  }
  return -1;
}

struct FsName {
  long type;
  const char* name;
};

const FsName kNames[] = {
    {0xEF53, "ext4"},          {0x58465342, "xfs"},      {0x9123683E, "btrfs"},  {0xF2F52010, "f2fs"},
    {0x3153464A, "jfs"},       {0x52654973, "reiserfs"}, {0x6969, "nfs"},         {0xFF534D42, "cifs"},
    {0xFE534D42, "smb2"},      {0x517B, "smb"},          {0x65735546, "fuse"},    {0x01021994, "tmpfs"},
    {0x794C7630, "overlay"},   {0x858458F6, "ramfs"},    {0x5346414F, "afs"},     {0x6B414653, "afs"},
    {0x00C36400, "ceph"},      {0x01161970, "gfs2"},     {0x47504653, "gpfs"},    {0x9660, "iso9660"},
    {0x4d44, "vfat"},          {0x5346544E, "ntfs"},     {0x2011BAB0, "exfat"},   {0x73717368, "squashfs"},
    {0x28cd3d45, "cramfs"},    {0x64626720, "debugfs"},  {0x9fa0, "proc"},        {0x62656572, "sysfs"},
};

const char* const kLocal[] = {"ffs", "ifs", "ext4", "xfs", "btrfs", "f2fs", "jfs", "reiserfs",
                              "vfat", "ntfs", "exfat", "iso9660"};

}  // namespace

void ParseMeminfo(const char* text, MemoryFigures* figures) {
  long available = Field(text, "MemAvailable");
  if (available < 0) available = Field(text, "MemFree");
  figures->freeKB = available;
  figures->reportedKB = Field(text, "MemTotal");
}

MemoryFigures ReadMemoryFigures() {
  MemoryFigures f;
  long page = sysconf(_SC_PAGESIZE);
  if (page <= 0) page = 4096;
  const long pages = sysconf(_SC_PHYS_PAGES);
  if (pages > 0) f.physicalKB = pages / 1024 * page + pages % 1024 * page / 1024;
  const char* path = std::getenv("QX_MEMINFO");
  if (!path || !*path) path = "/proc/meminfo";
  FILE* in = std::fopen(path, "re");
  if (!in) return f;
  char text[8192];
  const size_t n = std::fread(text, 1, sizeof text - 1, in);
  std::fclose(in);
  text[n] = '\0';
  ParseMeminfo(text, &f);
  return f;
}

const char* FileSystemTypeName(long type) {
  for (const FsName& n : kNames)
    if (static_cast<unsigned long>(n.type) == (static_cast<unsigned long>(type) & 0xFFFFFFFFul)) return n.name;
  return "unknown";
}

bool LocalDiskFileSystem(const char* name) {
  if (!name) return false;
  for (const char* local : kLocal)
    if (std::strcmp(name, local) == 0) return true;
  return false;
}
