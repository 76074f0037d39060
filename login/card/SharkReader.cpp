#include "login/card/SharkReader.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "login/card/SerialDeviceError.h"

namespace {

const char kDriverName[] = "/dev/scr0";
constexpr unsigned long kStatusRequest = 0x40045301;
constexpr unsigned long kPowerOnRequest = 0x40445302;
constexpr unsigned long kPowerOffRequest = 0x40045303;
constexpr unsigned long kExchangeRequest = 0xC1185304;

// Power-on block: answer (60), its length (4), status (4).
constexpr size_t kOnBlockBytes = 68;
constexpr size_t kOnAtrLength = 60;
constexpr size_t kOnStatus = 64;
// Exchange block: header (5), padding (3), direction (4), data (256),
// length (4), SW1, SW2, padding (2), status (4).
constexpr size_t kExchangeBytes = 280;
constexpr size_t kExDirection = 8;
constexpr size_t kExData = 12;
constexpr size_t kExDataBytes = 256;
constexpr size_t kExLength = 268;
constexpr size_t kExSw1 = 272;
constexpr size_t kExSw2 = 273;
constexpr size_t kExStatus = 276;

int32_t Get32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
void Put32(uint8_t* p, int32_t v) { std::memcpy(p, &v, sizeof v); }

// A driver length as a count within [0, limit].
size_t Clamp(int32_t v, size_t limit) { return v < 0 ? 0 : std::min(static_cast<size_t>(v), limit); }

}  // namespace

std::string FormatCardTrace(const uint8_t* bytes, size_t length) {
  std::string s;
  char buf[8];
  for (size_t i = 0; i < length; ++i) {
    if (std::isalnum(bytes[i]))
      std::snprintf(buf, sizeof buf, "%c", bytes[i]);
    else
      std::snprintf(buf, sizeof buf, "0x%02x", bytes[i]);
    s += buf;
    s += ' ';
    if (i % 2 == 0) s += ' ';
  }
  s += '\n';
  return s;
}

SharkReader::SharkReader(SerialDevice* device, const char* driverPath) : CardReader(device) {
  fd_ = ::open(driverPath, O_WRONLY | O_CLOEXEC);
  if (fd_ < 0) {
    std::printf("could not open %s. errno = %x\n", kDriverName, errno);
    throw SerialDeviceError(0);
  }
}

SharkReader::~SharkReader() {
  if (fd_ >= 0 && ::close(fd_) != 0) std::printf("could not close %s. errno = %x\n", kDriverName, errno);
}

int SharkReader::driverStatus() {
  int32_t status = 0;
  if (ioctl(fd_, kStatusRequest, &status) != 0) {
    std::printf("count not ioctl-status %s, errno = %d\n", kDriverName, errno);
    throw SerialDeviceError(1);
  }
  return status;
}

int SharkReader::getStatus() {
  int status = driverStatus();
  if (status == 0) return 1;
  if (status == 1 || status == 2) return 0;
  std::printf("unkown status %X\n", status);
  throw SerialDeviceError(1);
}

void SharkReader::powerOn() {
  if (driverStatus() == 2) powerOff();
  uint8_t block[kOnBlockBytes] = {};
  if (ioctl(fd_, kPowerOnRequest, block) != 0) {
    std::printf("count not ioctl-on %s, errno = %d\n", kDriverName, errno);
    throw SerialDeviceError(1);
  }
  if (Get32(block + kOnStatus) != 0) {
    std::printf("count not ioctl-on %s, on.status = %d\n", kDriverName, Get32(block + kOnStatus));
    throw SerialDeviceError(1);
  }
  if (getStatus() == 1) throw SerialDeviceError(7);
  atrLength_ = Clamp(Get32(block + kOnAtrLength), sizeof atr_);
  std::memcpy(atr_, block, atrLength_);
  std::fputs(FormatCardTrace(atr_, atrLength_).c_str(), stdout);
}

void SharkReader::powerOff() {
  int32_t status = 0;
  if (ioctl(fd_, kPowerOffRequest, &status) != 0) {
    std::printf("count not ioctl-off %s, errno = %d\n", kDriverName, errno);
    throw SerialDeviceError(1);
  }
  if (status != 0) {
    std::printf("count not ioctl-off %s, off.status = %d\n", kDriverName, status);
    throw SerialDeviceError(1);
  }
}

void SharkReader::getATR(uint8_t* buffer, size_t* length) {
  powerOn();
  if (atrLength_ > *length) throw SerialDeviceError(2);
  std::memcpy(buffer, atr_, atrLength_);
  *length = atrLength_;
}

void SharkReader::reset(uint8_t* buffer, size_t* length) {
  powerOff();
  getATR(buffer, length);
}

void SharkReader::transmit(const uint8_t header[5], int direction, uint8_t* data, size_t* length, uint8_t* sw1,
                           uint8_t* sw2) {
  uint8_t block[kExchangeBytes] = {};
  std::printf("cmdHeader is \n");
  std::fputs(FormatCardTrace(header, 5).c_str(), stdout);
  std::memcpy(block, header, 5);
  Put32(block + kExDirection, direction);
  if (direction) {
    size_t n = std::min({*length, kExDataBytes, header[4] ? size_t{header[4]} : size_t{0}});
    std::printf("writing %ld bytes \n", static_cast<long>(*length));
    std::fputs(FormatCardTrace(data, n).c_str(), stdout);
    std::memcpy(block + kExData, data, n);
    Put32(block + kExLength, static_cast<int32_t>(n));
  } else {
    std::printf("read buffer \n");
  }
  if (ioctl(fd_, kExchangeRequest, block) != 0) {
    std::printf("count not ioctl-t0 %s, errno = %d\n", kDriverName, errno);
    throw SerialDeviceError(1);
  }
  if (Get32(block + kExStatus) != 0) {
    std::printf("count not ioctl-t0 %s, t0.status = %d\n", kDriverName, Get32(block + kExStatus));
    throw SerialDeviceError(1);
  }
  size_t got = Clamp(Get32(block + kExLength), kExDataBytes);
  if (!direction) {
    got = std::min(got, *length);
    std::memcpy(data, block + kExData, got);
    *length = got;
  }
  std::printf("read %d bytes \n", static_cast<int>(got));
  std::fputs(FormatCardTrace(block + kExData, got).c_str(), stdout);
  *sw1 = block[kExSw1];
  *sw2 = block[kExSw2];
}
