#pragma once
// Program data of the keyboard translator, generated from the EBCDIC code
// pages by scripts/gen_keyboard_tables.py into GeneratedTables.cpp: the
// built-in translation tables, the dead-key compositions and the
// monocasing lists.
namespace keyboard_data {

// The built-in translation tables in registration order ("AJL2Y0BC",
// "AJL4Y0BC", "AJL1Y0BC", "AJL3Y0BC", "AJL5Y0BC"), each a table image.
constexpr unsigned int kBuiltInTableCount = 5;
extern const unsigned char* const kBuiltInTables[kBuiltInTableCount];
extern const unsigned int kBuiltInTableLengths[kBuiltInTableCount];

// A (country, character) pair; country 0 marks the default entry.
struct DiacriticResult {
  unsigned char country;
  unsigned char result;
};
// A run of pairs in kDiacriticResults.
struct DiacriticSlot {
  unsigned short count;
  unsigned short offset;
};
// The dead-key table of a country with characters of its own (country
// number above 48): entries of a base character followed by the result of
// each accent (0 = none).
struct CountryDiacriticTable {
  unsigned char country;
  unsigned char entrySize;
  unsigned short entryCount;
  const unsigned char* entries;
};
struct MonocaseCountryList {
  unsigned char character;
  unsigned short count;
  unsigned short offset;  // into kMonocaseCountryPairs
};
struct CountryCodePage {
  unsigned char country;
  const char* codePage;
};

constexpr unsigned int kAccentCount = 12;
constexpr unsigned int kDiacriticBaseCount = 17;
constexpr unsigned int kCountryDiacriticTableCount = 6;
constexpr unsigned int kCountryCount = 6;

// Space, a, A, c, C, e, E, i, I, n, N, o, O, u, U, y, Y in EBCDIC.
extern const unsigned char kDiacriticBases[kDiacriticBaseCount];
extern const DiacriticSlot kDiacriticSlots[kDiacriticBaseCount][kAccentCount];
extern const DiacriticResult kDiacriticResults[];
extern const unsigned int kDiacriticResultCount;
extern const CountryDiacriticTable kCountryDiacriticTables[kCountryDiacriticTableCount];

// Lower-case characters beyond a-z and their upper-case partners; a partner
// of 0xFF is resolved by the character's country list.
extern const unsigned char kMonocasePairs[][2];
extern const unsigned int kMonocasePairCount;
extern const MonocaseCountryList kMonocaseCountryLists[];
extern const unsigned int kMonocaseCountryListCount;
extern const DiacriticResult kMonocaseCountryPairs[];

// The diacritic country numbers the tables know and the code page of each.
extern const CountryCodePage kCountryCodePages[kCountryCount];

}  // namespace keyboard_data
