// Printer definition files, the definition table file and the local print
// configuration file come from the user: any bytes must be read within
// bounds, accepted or refused with a line, never crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "print/LocalPrintConfig.h"
#include "print/OutDataStream.h"
#include "print/PrinterDefTable.h"
#include "print/PrinterDefinitionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  PrinterDefTable table(1);
  if (table.processPDF(text, size) == 0) {
    // Send every command and character of what was read.
    OutDataStream ds;
    ds.setupDsBuff(4096);
    const unsigned char value[2] = {0x12, 0x34};
    for (unsigned short id = 0; id < pdt::kKeywordCount; ++id) {
      table.loadFromPDF(&ds, id, 2, value);
      table.loadFromPDF(&ds, id, 1, value, 1);
      ds.setDsBuffLoc(ds.getDsBuffPtr());
    }
    for (unsigned short c = 0; c < 256; ++c) {
      table.loadFromCharDef(&ds, c);
      ds.setDsBuffLoc(ds.getDsBuffPtr());
    }
  } else if (table.lastError().empty()) {
    __builtin_trap();  // a refusal always says why
  }
  FindPrinterDefinitionFile(text, size, "Laser", "bob");
  LocalPrintSettings settings;
  ParseLocalPrintConfig(std::string(text, size), settings);
  if (settings.queue.size() > 99 || settings.server.size() > 99 || settings.orientation > 2) __builtin_trap();
  return 0;
}
