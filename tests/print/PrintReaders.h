#pragma once
// Independent readers of print jobs for the tests: Ghostscript for
// PostScript, and a small reader of PCL escape sequences and raster rows.
#include <string>
#include <vector>

namespace printtest {

// Runs gs -dSAFER on a PostScript job with the given device; its standard
// output and error together. Empty when gs could not be run.
std::string RunGhostscript(const std::string& job, const std::string& device, bool* ok = nullptr);
// The text of a job as txtwrite sees it, one string per line.
std::vector<std::string> GhostscriptText(const std::string& job);
// The %%HiResBoundingBox gs measures for the marks of the first page:
// llx, lly, urx, ury. False when none was reported.
bool GhostscriptBoundingBox(const std::string& job, double box[4]);

// One element of a PCL job: an escape sequence (its parameter characters,
// value and terminator, e.g. "&l" "1" 'O'), a raster row with its data, or
// a run of plain bytes.
struct PclItem {
  enum Kind { Escape, Raster, Text } kind;
  std::string group;  // "&l", "*r", "(s", "%-", "E", "9", ...
  std::string value;  // the numeric parameter ("1", "16.7", ...)
  char terminator = 0;
  std::string data;   // raster data or plain text
};

// Splits a PCL job; combined sequences ("(s0p12h0s0b3T") become one item per
// parameter with the same group. "*b<n>W" takes the n following bytes as
// raster data. False (and *error) on a malformed job.
bool ParsePcl(const std::string& job, std::vector<PclItem>& items, std::string* error);
// Expands a compression mode 1 (run-length pairs) row.
std::string ExpandPclRunLength(const std::string& data);

}  // namespace printtest
