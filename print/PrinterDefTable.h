#pragma once
// What the screen-print builders send for each printer command and each
// character: from the printer's definition file when the session uses
// printer definition tables and one is found for the printer and the user,
// else from the built-in table of the job's format.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "print/PrinterDefinitionFile.h"

class OutDataStream;

enum PRINT_FORMAT : int { PRINT_FORMAT_PCL = 1, PRINT_FORMAT_ASCII = 2, PRINT_FORMAT_POSTSCRIPT = 3 };

class PrinterDefTable {
 public:
  // Where the definition table file and the definition files are.
  static constexpr const char* kDefaultDirectory = "/userbase/profiles/PDT";

  explicit PrinterDefTable(int pdtOption);
  ~PrinterDefTable();
  PrinterDefTable(const PrinterDefTable&) = delete;
  PrinterDefTable& operator=(const PrinterDefTable&) = delete;

  // Another folder for "PDT.819" and the definition files (tests).
  void setDirectory(const std::string& dir) { directory_ = dir; }

  // The character map for the session's code set and euro setting.
  void loadAsciiCodePage(const char* codeSet, int euro, PRINT_FORMAT format);
  // The table of the printer (by its description), or the built-in one.
  void getPrinterDefTable(const char* description, PRINT_FORMAT format);
  // 0 when the definition file named for the printer and user was read,
  // -1 otherwise (logged).
  int getPDF819(const char* description);
  int getPDF(const char* name);
  // Builds the tables from a definition file's text; 0 done, 2 refused
  // (the line and the reason are logged). What was there stays on refusal.
  int processPDF(const char* text, unsigned long length);

  void loadDefaultAscii();
  void loadDefaultPcl();

  // A parameter's value.
  unsigned getPdtValue(int id) const;
  // Sends a command: 1 when it is undefined, 2 when the stream is full, 0
  // done. `values` (count bytes) fill the command's variables; with no
  // values a variable sends nothing. With insert set the bytes go in at the
  // stream's word begin.
  int loadFromPDF(OutDataStream* ds, unsigned short id, unsigned count = 0, const unsigned char* values = nullptr,
                  unsigned char insert = 0) const;
  // Sends the definition of a local character code.
  int loadFromCharDef(OutDataStream* ds, unsigned short code, unsigned char raw = 0) const;

  bool fileInUse() const { return fileInUse_ != 0; }
  int codePageId() const { return codePage_; }
  unsigned char mapCharacter(unsigned char code) const { return map_[code]; }
  const std::vector<unsigned char>& command(int id) const { return commands_[id]; }
  const std::vector<unsigned char>& character(int code) const { return characters_[code]; }
  const std::string& lastError() const { return lastError_; }

 private:
  void clearTables();
  void loadDefaultCharDef();
  std::string symbolSet() const;

  unsigned char blank_ = ' ';
  int fileInUse_;
  std::array<unsigned short, pdt::kParameterCount> parameters_{};
  std::array<std::vector<unsigned char>, pdt::kKeywordCount> commands_;
  std::array<std::vector<unsigned char>, 256> characters_;
  std::array<unsigned char, 256> map_{};
  int codePage_ = 0;
  int euro_ = 0;
  std::string directory_ = kDefaultDirectory;
  std::string lastError_;
};
