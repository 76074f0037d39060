#pragma once
// The terminal's printer services, on the desktop's printing system (CUPS):
// the printer list is the list of CUPS destinations, sorted by name, with
// 1-based indices. A record of getPrinterList holds the fields a format
// names, each a NUL-terminated string, one after another:
//   q  the queue (destination name)
//   s  the print server ("localhost" for this machine)
//   t  the printer type: "pcl" when the make and model names PCL, "ps" when
//      it names PostScript, else "asc"
//   i  "Y" for the default printer, else "N"
//   b  "Y" when the queue prints a banner page, else "N"
//   d  the description (the printer's info text, else its name)

// Called with one record and the caller's data; its result is ignored.
typedef int (*PrinterListCallback)(char* record, void* clientData);

// Reads the destinations again. 0, or -1 when the printing system cannot
// be reached (the list is then empty).
int PrUpdatePrinterList();
// The number of printers of the last update.
int PrGetListNumber();
// Calls the callback once with the record of printer `index`. 0, or
// negative for an index outside the list or an unknown field letter.
int getPrinterList(PrinterListCallback callback, int index, const char* format, void* clientData);
// The queue name of printer `index` of a fresh list, or empty.
const char* PrinterQueueName(int index);
