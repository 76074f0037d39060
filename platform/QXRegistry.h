#pragma once
// The terminal registry: named objects ("/boot/termids") holding named
// string and numeric values. This build keeps each object as a plain text
// file below a registry directory: the object "/boot/termids" is the file
// <dir>/boot/termids, one "name = value" line per value, '#' starting a
// comment line. The directory is named by the environment variable
// QX_REGISTRY_DIR (default "/etc/qx/registry"). A missing directory or
// object is an ordinary failure that callers log and go on from; a name that
// is not a regular file (a directory, a FIFO, a device) reads as an I/O error.

struct QXRegObject;

enum QXRegStatus : int {
  QXRegOk = 0,
  QXRegNotFound = 2,   // no such object
  QXRegIoError = 5,    // the object could not be read
  QXRegBadArgument = 22,
  QXRegTooLarge = 27,  // the object is larger than an object may be
};

// Opens an object; on success *object must later go to QXRegDestroyObject.
int QXRegGetObjectSimple(const char* path, QXRegObject** object);
// The value's text, owned by the object; null when the value is missing.
const char* QXRegGetStringValue(const QXRegObject* object, const char* name);
// The value as a whole decimal number, or defaultValue when it is missing
// or not a number.
long QXRegGetNumericValue(const QXRegObject* object, const char* name, long defaultValue);
void QXRegDestroyObject(QXRegObject* object);
// Reads an object from a file named in full (the format above); the same
// statuses as QXRegGetObjectSimple.
int QXRegReadObjectFile(const char* file, QXRegObject** object);

// The registry directory in use.
const char* QXRegistryDirectory();

// The value as a boolean: "true", "yes", "on" or "1" give 1, "false", "no",
// "off" or "0" give 0 (any case); anything else, or a missing value, gives
// defaultValue.
int QXRegGetBooleanValue(const QXRegObject* object, const char* name, int defaultValue);

// Writing objects. A new, empty object (for QXRegDestroyObject).
QXRegObject* QXRegCreateObject();
// Sets (replaces) a value; names may not hold '=' or line ends, values no
// line ends, and neither may begin or end with blanks (they would not read
// back the same). 0 or QXRegBadArgument.
int QXRegSetStringValue(QXRegObject* object, const char* name, const char* value);
int QXRegSetNumericValue(QXRegObject* object, const char* name, long value);
int QXRegSetBooleanValue(QXRegObject* object, const char* name, int value);
// The index-th value in file order: 0 with *name and *value (owned by the
// object), QXRegNotFound past the last one.
int QXRegEnumObject(const QXRegObject* object, int index, const char** name, const char** value);
// Stores the object whole under its path (a new file renamed over the old
// one; missing directories are made, private to the user).
int QXRegSetObjectSimple(const char* path, const QXRegObject* object);
