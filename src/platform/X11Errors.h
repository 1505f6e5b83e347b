#pragma once

// Error reporting for the X11 backend. Xlib reports protocol errors to one process-wide
// handler and, by default, ends the program on any of them; these turn them into
// nightaudit::Error naming the call that failed. Only X11 backend sources include this.

#include <memory>

struct _XDisplay;

namespace nightaudit::x11 {

// Installs the process-wide handlers once: protocol errors are recorded rather than
// fatal; a lost connection prints a clear message and ends the program (Xlib allows no
// return from that handler, and no X call can be made any more).
void installErrorHandlers();

// Installs the handlers and opens the display named by $DISPLAY on a connection of
// the caller's own. Throws Error(err::DisplayLost) naming the display when it cannot.
_XDisplay* openDisplay();

// Closes a connection and forgets what was recorded for it.
struct CloseDisplay {
    void operator()(_XDisplay* display) const;
};
using Connection = std::unique_ptr<_XDisplay, CloseDisplay>;

// openDisplay() for an owner that closes the connection with itself.
Connection openConnection();

// Protocol errors are recorded per connection: a check on one never reports another's.
// Waits until the server has processed every request so far; throws
// Error(err::DisplayLost) naming `call` when one of them failed.
void sync(_XDisplay* display, const char* call);

// Throws like sync() when a request before the latest reply failed; no round trip of
// its own, for a caller that has just had a reply.
void throwIfRefused(_XDisplay* display, const char* call);

// Like sync(), but reports a failure as false instead, for requests that may fail for
// ordinary reasons (a window that closed meanwhile).
bool syncOk(_XDisplay* display);

}  // namespace nightaudit::x11
