#include "login/card/CreateSmartCardReader.h"

#include <cstdlib>
#include <cstring>

#include "login/card/LitronicReader.h"
#include "login/card/SerialDeviceError.h"
#include "login/card/UnixSerialDevice.h"

CardReader* CreateSmartCardReader() {
  const char* path = std::getenv("QX_SMARTCARD_DEVICE");
  if (!path || !*path) return nullptr;
  UnixSerialDevice* device = new UnixSerialDevice(path);
  // The kernel reader device is driven through its own requests, not as a
  // serial line; no reader type on it is chosen here.
  if (std::strcmp(path, "/dev/scr0") != 0) {
    try {
      device->open();
    } catch (const SerialDeviceError&) {
      delete device;
      return nullptr;
    }
  }
  const char* type = std::getenv("QX_SMARTCARD_READER");
  if (type && std::strcmp(type, "Litronic") == 0) return new LitronicReader(device);
  delete device;
  return nullptr;
}
