#pragma once
// The local print configuration file "<KDVSHARED>/QW5250/LocalPrint": the
// last printer (queue and server) and the print dialog's settings. A binary
// header, then the queue and the server on a line each. Values outside
// their range keep the default; the file is read with bounds.
#include <string>

struct LocalPrintSettings {
  unsigned char printerType = 1;     // 1 PostScript, 2 ASCII, 3 PCL (0 unknown)
  unsigned char formFeed = 1;        // 1 yes, 2 no
  unsigned char orientation = 1;     // 1 portrait, 2 landscape
  unsigned char printSelection = 1;  // 1 text, 2 image
  unsigned char pageSize = 1;        // 1-8
  unsigned char resolution = 1;      // 1-6
  unsigned char colour = 0;          // 0 black and white, 1 colour
  std::string queue, server;         // at most 99 characters each
};

// The file's path for a shared directory ("%s%s/LocalPrint").
std::string LocalPrintConfigPath(const std::string& sharedDirectory);

// Parses the file's bytes over the defaults in `s`.
void ParseLocalPrintConfig(const std::string& bytes, LocalPrintSettings& s);
std::string FormatLocalPrintConfig(const LocalPrintSettings& s);

// Reads the file: true when it was read; a missing file is no error (false,
// nothing logged); other failures are logged with QWC0024.
bool ReadLocalPrintConfig(const std::string& sharedDirectory, LocalPrintSettings& s);
// Writes the file, making the folders (0711 and 0755) on the way; logged
// failures return false.
bool WriteLocalPrintConfig(const std::string& sharedDirectory, const LocalPrintSettings& s);
