// Bounded waits on the open line. Nothing here reads before a byte is known
// to be waiting, and the port does not block, so no read or write waits.
// Each call goes to the stream of the line open on the descriptor (a device
// or a network line, line_stream.h).
#pragma once

#include <sys/types.h>

#include <functional>

#include "line_stream.h"
#include "line_timing.h"

// Called at least every interval while a wait on the line goes on, so that a
// window can repaint during a transaction. The hook must not start another
// transaction. An empty hook switches it off.
void SetLineWaitHook(std::function<void()> hook, std::chrono::milliseconds interval);

// Waits until a byte is waiting, the deadline passes, or the line is gone
// (hang-up, error, or no descriptor).
LineEvent WaitForBytes(int fd, LineClock::time_point deadline);

// Waits until the driver takes output; false at the deadline or on hang-up.
// A negative descriptor returns true at once, so that the write reports it.
bool WaitWritable(int fd, LineClock::time_point deadline);

// Reads what is waiting, at most room bytes, into destination. Returns the
// number read; -1 when the line failed or nothing was waiting after all
// (a hung-up terminal reports readable with no bytes).
int ReadWaiting(int fd, unsigned char* destination, int room);

// Whether the line is gone now (hang-up or error), without waiting; a hang-up
// is noted in portHealth as the waits note it. False for no descriptor.
bool LineGoneNow(int fd);

// Drops bytes that arrived before the command was sent.
void DiscardStaleInput(int fd);

// Hands bytes to the line as write(2) on a non-blocking descriptor does.
ssize_t WriteLine(int fd, const unsigned char* bytes, std::size_t count);

// For the streams: waits for events on fd until the deadline, running the
// wait hook between slices; the revents, 0 at the deadline, POLLNVAL when
// poll itself failed.
short PollLine(int fd, short events, LineClock::time_point deadline);
// A hang-up or error in revents is noted in portHealth; revents unchanged.
short NoteHangUp(short revents);
