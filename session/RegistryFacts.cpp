#include "session/RegistryFacts.h"

#include <cstdlib>
#include <cstring>

#include "platform/QXRegistry.h"
#include "base/LocalMalloc.h"
#include "base/LogMsg.h"

namespace {

struct KeyboardRow {
  int id;
  const char* name;
  const char* locale;  // null: not known, assume en_US with a log line
};

const KeyboardRow kKeyboards[] = {
    {0, "English 102", "en_US"},
    {4, "German 102", "de_DE"},
    {5, "French 102", "fr_FR"},
    {6, "Belgian 102", "nl_BE"},
    {7, "SwissGerman 102", "de_CH"},
    {8, "Spanish 102", "es_ES"},
    {9, "UK 102", "en_GB"},
    {10, "Italian 102", "it_IT"},
    {11, "Canadian 102", nullptr},
    {12, "Norwegian 102", "no_NO"},
    {13, "Finnish 102", "fi_FI"},
    {14, "Portuguese 102", "pt_PT"},
    {15, "Danish 102", "da_DK"},
    {16, "Flemish 102", nullptr},
    {43, "French Canadian 102", "fr_CA"},
    {44, "Belgian Ch Sab 102", "fr_BE"},
    {45, "French Canadian 102 CSA 1992", "fr_CA"},
    {46, "SwissFrench 102", "fr_CH"},
    {47, "QAV Kana OADG", nullptr},
    {92, "QAV 3270 US", "en_US"},
    {109, "Spanish LA 102", "es_LA"},
    {110, "Dutch 102", "nl_NL"},
    {111, "Iceland 102", "is_IS"},
    {112, "US ISO 101", "en_US"},
    {113, "English US 5250", nullptr},
    {114, "English UK 5250", nullptr},
    {115, "Swiss F 5250", nullptr},
    {116, "Swiss G 5250", nullptr},
    {117, "French 5250", nullptr},
    {118, "Italian 5250", nullptr},
    {119, "Spanish 5250", nullptr},
    {120, "SpanishLA 5250", nullptr},
    {121, "German 5250", nullptr},
    {122, "Germannew 5250", nullptr},
    {123, "CanadianF 5250", nullptr},
    {129, "QAV 3270 GERMAN", "de_DE"},
    {140, "Arabic 102", nullptr},
    {141, "Brazilian 102", "pt_BR"},
    {142, "Bulgarian 102", nullptr},
    {143, "ChinesePRC 101", nullptr},
    {144, "Czech 102", nullptr},
    {145, "Greek 102", nullptr},
    {146, "Hebrew 102", nullptr},
    {147, "Hungarian 102", nullptr},
    {149, "Polish214 102", nullptr},
    {150, "Romanian 102", nullptr},
    {151, "Russian 102", nullptr},
    {152, "RussianCyrillic 102", nullptr},
    {153, "SerbianCyrillic 102", nullptr},
    {154, "Slovakian 102", nullptr},
    {155, "Slovenian 102", nullptr},
    {156, "Thai 101", nullptr},
    {157, "ChineseTrad 104", nullptr},
    {158, "TurkishQ 102", nullptr},
    {159, "TurkishF 102", nullptr},
    {160, "Byelorussian 102", nullptr},
    {161, "Estonian 102", nullptr},
    {162, "Korean 106", nullptr},
    {163, "Latvian 102", nullptr},
    {164, "Lithuanian 102", nullptr},
    {165, "Polish457 102", nullptr},
    {166, "SerbianLatin 102", nullptr},
    {167, "Swedish 102", "sv_SE"},
    {169, "Ukranian 102", nullptr},
    {170, "Italian Switzland 102", nullptr},
    {171, "Catalan Spain 102", nullptr},
};

const KeyboardRow* FindKeyboard(int id) {
  for (const auto& row : kKeyboards)
    if (row.id == id) return &row;
  return nullptr;
}

struct Facts {
  char* mac = nullptr;
  int tokenRing = 0;
  int keyboard = 0;
  char lockKeyMode = 'C';
};

Facts& TheFacts() {
  static Facts facts;
  return facts;
}

void ReadMacAddress(Facts& f) {
  static const char* const kObject = "/boot/termids";
  static const char* const kValue = "termid_mac_upper";
  QXRegObject* obj = nullptr;
  int status = QXRegGetObjectSimple(kObject, &obj);
  if (status == QXRegNotFound) {
    LogMsg(LevelInformational, "%s: No registry object %s: no MAC address (names made from it are refused).\n",
           "QWC0185", kObject);
    return;
  }
  if (status != QXRegOk) {
    LogMsg(LevelError, "%s: Could not get registry object %s (status = %d) to determine mac-address.\n",
           "QWC0185", kObject, status);
    return;
  }
  const char* mac = QXRegGetStringValue(obj, kValue);
  if (!mac) {
    LogMsg(LevelError, "%s: MAC Address not determined. %s value not found in %s registry object.\n",
           "QWC0188", kValue, kObject);
  } else if (strlen(mac) < 12) {
    LogMsg(LevelError, "%s: MAC Address, %s, not long enough. only %d digits long.\n", "QWC0188", mac,
           static_cast<int>(strlen(mac)));
  } else {
    char* copy = static_cast<char*>(LocalMalloc("QW_MAC_address", 13, MallocFailReturnNull));
    if (copy) {
      memcpy(copy, mac, 12);
      copy[12] = '\0';
      free(f.mac);
      f.mac = copy;
      if (DebugFlag()) LogMsg(LevelDebug, "MAC address from %s registry object is %s.\n", kObject, copy);
    }
  }
  QXRegDestroyObject(obj);
}

void ReadAdapterType(Facts& f) {
  static const char* const kObject = "/boot/dhcp";
  static const char* const kValue = "network-type";
  QXRegObject* obj = nullptr;
  int status = QXRegGetObjectSimple(kObject, &obj);
  if (status == QXRegNotFound) {
    LogMsg(LevelInformational, "%s: No registry object %s: the adapter type is taken as Ethernet.\n", "QWC0186",
           kObject);
    return;
  }
  if (status != QXRegOk) {
    LogMsg(LevelError, "%s: Could not get registry object %s (status = %d) to determine adapter type.\n",
           "QWC0186", kObject, status);
    return;
  }
  const char* type = QXRegGetStringValue(obj, kValue);
  if (!type) {
    LogMsg(LevelError, "%s: Adapter type not determined. %s value not found in %s registry object.\n",
           "QWC0189", kValue, kObject);
  } else {
    f.tokenRing = strncmp(type, "TokenRing", 9) == 0 ? 1 : 0;
    if (DebugFlag()) LogMsg(LevelDebug, "Adapter type from %s registry object is %s.\n", kObject, type);
  }
  QXRegDestroyObject(obj);
}

void ReadKeyboard(Facts& f) {
  static const char* const kNvram = "/boot/nvram";
  static const char* const kUnique = "/boot/unique";
  static const char* const kIdValue = "keyboard-id";
  QXRegObject* nvram = nullptr;
  QXRegObject* unique = nullptr;
  const int nvramStatus = QXRegGetObjectSimple(kNvram, &nvram);
  const int status = QXRegGetObjectSimple(kUnique, &unique);
  if (nvramStatus == QXRegNotFound && status == QXRegNotFound) {
    // No terminal registry at all: the normal case on a desktop.
    LogMsg(LevelInformational, "%s: No registry objects %s and %s: the keyboard is taken as English 102.\n",
           "QWC0187", kNvram, kUnique);
    f.keyboard = 0;
  } else if (nvramStatus != QXRegOk) {
    LogMsg(LevelError, "%s: Could not get registry object %s (status = %d) to determine keyboard id.\n",
           "QWC0187", kNvram, nvramStatus);
  }
  if (status != QXRegOk) {
    if (status != QXRegNotFound || nvramStatus != QXRegNotFound)
      LogMsg(LevelError, "%s: Could not get registry object %s (status = %d) to determine keyboard id.\n",
             "QWC0187", kUnique, status);
  } else {
    const long nvramValue = QXRegGetNumericValue(nvram, "xserver-keyboard-type", -1);
    const long id = QXRegGetNumericValue(unique, kIdValue, -1);
    if (id == -1) {
      LogMsg(LevelError, "%s: Keyboard ID not determined. %s value not found in %s registry object.\n",
             "QWC0190", kIdValue, kUnique);
    } else {
      long chosen = nvramValue == 129 ? 129 : id;
      // Only ids of the keyboard table are kept; anything else, however
      // large, is refused below.
      f.keyboard = (chosen >= 0 && chosen <= 171) ? static_cast<int>(chosen) : -1;
      if (DebugFlag()) {
        LogMsg(LevelDebug, "Keyboard ID from %s registry object is %ld.\n", kUnique, id);
        LogMsg(LevelDebug, "nvram_value = %ld \n", nvramValue);
      }
    }
  }
  QXRegDestroyObject(nvram);
  QXRegDestroyObject(unique);

  if (!FindKeyboard(f.keyboard)) {
    LogMsg(LevelError, "%s: Keyboard ID of %d not recognized. Set to %d (English 102).\n", "QWC0190",
           f.keyboard, 0);
    f.keyboard = 0;
  }
  if (DebugFlag()) LogMsg(LevelDebug, "Keyboard ID is now set to %s.\n", FindKeyboard(f.keyboard)->name);
}

}  // namespace

int GetRegistryInformation() {
  Facts& f = TheFacts();
  free(f.mac);
  f = Facts();
  ReadMacAddress(f);
  ReadAdapterType(f);
  ReadKeyboard(f);
  f.lockKeyMode = is5250Keyboard(f.keyboard) ? 'S' : LockKeyModeOfKeyboard(f.keyboard);
  return 0;
}

const char* GetMACAddress() { return TheFacts().mac; }
int running_on_tokenring() { return TheFacts().tokenRing; }
int running_on_ethernet() { return TheFacts().tokenRing ? 0 : 1; }
int running_on_twinax() { return 0; }
int WhichKeyboard() { return TheFacts().keyboard; }
int is5250Keyboard(int id) { return id >= 113 && id <= 123 ? 1 : 0; }
char LockKeyMode() { return TheFacts().lockKeyMode; }

const char* KeyboardName(int id) {
  const KeyboardRow* row = FindKeyboard(id);
  return row ? row->name : nullptr;
}

char LockKeyModeOfKeyboard(int id) {
  return (id == 4 || id == 5 || id == 6 || id == 44) ? 'S' : 'C';
}

const char* getLangOfKeyboard() {
  const int id = TheFacts().keyboard;
  const KeyboardRow* row = FindKeyboard(id);
  if (row && row->locale) return row->locale;
  LogMsg(LevelError, "getLangOfKeyboard(): Keyboard ID of %d not recognized. Assume US English locale.\n", id);
  return "en_US";
}
