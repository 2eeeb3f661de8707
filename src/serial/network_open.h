// Opening a network line: the host found, a TCP connection made and, for
// RFC 2217, the line negotiated, all within kNetworkOpenTimeout.
#pragma once

// The connected socket, kept with its stream (line_stream.h), or -1 with
// portHealth's failedStep, failedError and, for a refusal, refusedSetting
// and answeredValue set.
int OpenNetworkLine(const char* address);

// After the on-line byte on a network line: a server that closed the
// connection before the controller answered refused it (ser2net allows one
// client a port). Then the line is closed, portHealth tells it as a failed
// open, and the result is true.
bool RefusedOnLine(int descriptor);

// Closes a network line; the result of close.
int CloseNetworkLine(int descriptor);
