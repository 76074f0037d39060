#include "login/card/CardReader.h"

#include "login/card/SerialDevice.h"

CardReader::~CardReader() { delete device_; }

int CardReader::getFileDescriptor() { return device_ ? device_->fileDescriptor() : -1; }
