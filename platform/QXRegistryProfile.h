#pragma once
// Registry profiles and registry files of the desktop. A profile is a set of
// named values kept in a registry file; registry files live in areas: area
// 0 is the system's (the registry directory, QXRegistryDirectory()), area 2
// the user's ($HOME/registry). Relative names never leave their area (no
// empty, "." or ".." parts). Profiles use the format of registry objects
// ("name = value" lines).
#include <cstddef>

struct QXRegObject;
typedef QXRegObject QXProfile;

enum QXRegistryArea { QXAreaSystem = 0, QXAreaUser = 2 };

// The full path of a registry file; 0, or QXRegBadArgument for a bad name,
// area or buffer.
int QXRegistryFilePath(int area, const char* relative, char* buffer, size_t size);
// 1 when the file (or directory) exists.
int QXRegistryFileTest(int area, const char* relative);
// Makes the directory and its parents (0700); 0 when it exists afterwards.
int QXRegistryDirMake(int area, const char* relative);
int QXRegistryFileDelete(int area, const char* relative);

QXProfile* QXCreateProfile();
// Loads a profile; on success *profile goes later to QXDestroyProfile.
int QXLoadRegistryProfile(const char* relative, int area, QXProfile** profile);
const char* QXGetStringValue(const QXProfile* profile, const char* name, const char* defaultValue);
long QXGetNumericValue(const QXProfile* profile, const char* name, long defaultValue);
// Sets (replaces) a value; names and values may not hold line ends or '='
// in the name. 0 or QXRegBadArgument.
int QXSetStringValue(QXProfile* profile, const char* name, const char* value);
int QXSetBooleanValue(QXProfile* profile, const char* name, int value);
// Writes the profile whole (a new file renamed over the old one).
int QXSaveRegistryProfile(const QXProfile* profile, const char* relative, int area);
void QXDestroyProfile(QXProfile* profile);
