#pragma once
// The clearing operations that clear unit, clear unit alternate and clear
// format table share.
class Databyte;

class DsmClr {
 public:
  // Clears the screen to rows x columns with everything that belongs to it.
  static int clearUnit(Databyte* db, unsigned int rows, unsigned int columns,
                       unsigned int dropImages);
  static int clrFmtTableList(Databyte* db, bool keepDisplayAddress);
  static int resetErrorLineRow(Databyte* db);
};
