#pragma once

#include <termios.h>

#include <cstdint>

// The attributes the console gives a device that had `device`: a raw 300-baud
// line of eight data bits, no parity and one stop bit, without flow control;
// its other settings stay. A character format left by another program (seven
// bits with parity) would garble every protocol byte from 0x80 up.
termios LineSettingsFor(termios device);

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
