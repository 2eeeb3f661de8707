#pragma once

#include <cstdint>

// Opens the device, makes it a raw 300-baud line and saves its previous
// attributes in gOriginalTTYAttrs. Returns the descriptor, or -1.
int OpenSerialPort(const char* path);
// Sends the on-line byte 0xEE; 1 when the controller echoed it, else 0.
int InitializeModem(int32_t descriptor);
// Puts back gOriginalTTYAttrs and closes the descriptor; the result of close.
int CloseSerialPort(int32_t descriptor);

// OpenSerialPort on bsdPath into fileDescriptor; an open port is closed first.
int OpenPort();
// CloseSerialPort on fileDescriptor, which then reads -1.
int ClosePort();
