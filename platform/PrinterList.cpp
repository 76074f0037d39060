#include "platform/PrinterList.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Printer {
  std::string queue, server, type, isDefault, banner, description;
};

std::vector<Printer>& List() {
  static std::vector<Printer> list;
  return list;
}

std::string ServerName() {
  std::string server = cupsServer() ? cupsServer() : "localhost";
  if (server.empty() || server[0] == '/') return "localhost";
  if (server[0] == '[') server = server.substr(1, server.find(']') - 1);
  else server = server.substr(0, server.find(':'));
  if (server == "127.0.0.1" || server == "::1" || server == "localhost") return "localhost";
  return server;
}

std::string TypeOf(const char* makeAndModel) {
  const std::string m = makeAndModel ? makeAndModel : "";
  if (m.find("PCL") != std::string::npos) return "pcl";
  if (m.find("PostScript") != std::string::npos || m.find("Postscript") != std::string::npos) return "ps";
  return "asc";
}

}  // namespace

int PrUpdatePrinterList() {
  List().clear();
  cups_dest_t* dests = nullptr;
  const int n = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  if (n <= 0) {
    cupsFreeDests(n, dests);
    return cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE ? -1 : 0;
  }
  const std::string server = ServerName();
  for (int i = 0; i < n; ++i) {
    const cups_dest_t& d = dests[i];
    if (d.instance) continue;
    Printer p;
    p.queue = d.name;
    p.server = server;
    p.type = TypeOf(cupsGetOption("printer-make-and-model", d.num_options, d.options));
    p.isDefault = d.is_default ? "Y" : "N";
    const char* sheets = cupsGetOption("job-sheets", d.num_options, d.options);
    p.banner = sheets && std::strncmp(sheets, "none", 4) != 0 ? "Y" : "N";
    const char* info = cupsGetOption("printer-info", d.num_options, d.options);
    p.description = info && *info ? info : d.name;
    List().push_back(p);
  }
  cupsFreeDests(n, dests);
  std::sort(List().begin(), List().end(), [](const Printer& a, const Printer& b) { return a.queue < b.queue; });
  return 0;
}

int PrGetListNumber() { return static_cast<int>(List().size()); }

int getPrinterList(PrinterListCallback callback, int index, const char* format, void* clientData) {
  if (!callback || !format || index < 1 || index > PrGetListNumber()) return -1;
  const Printer& p = List()[index - 1];
  std::string record;
  for (const char* f = format; *f; ++f) {
    switch (*f) {
      case 'q': record += p.queue; break;
      case 's': record += p.server; break;
      case 't': record += p.type; break;
      case 'i': record += p.isDefault; break;
      case 'b': record += p.banner; break;
      case 'd': record += p.description; break;
      default: return -2;
    }
    record += '\0';
  }
  std::vector<char> bytes(record.begin(), record.end());
  bytes.push_back('\0');
  callback(bytes.data(), clientData);
  return 0;
}

const char* PrinterQueueName(int index) {
  static std::string name;
  name.clear();
  if (PrUpdatePrinterList() == 0 && index >= 1 && index <= PrGetListNumber()) name = List()[index - 1].queue;
  return name.c_str();
}
