#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include <sys/types.h>

struct _XDisplay;

namespace nightaudit {

// What this program holds on the X server, kept on the server itself: the keycodes and
// pointer buttons it holds down through XTest and the keycodes it rebound, with the keysyms
// they had before. The X server lets go of none of them when a client's connection closes,
// so should the program die holding any, its guardian (or a later start) reads the record
// and puts everything back.
//
// Caps Lock, which a text switches off for its letters, is in the record while it is off.
//
// The record is a property of the root window, `_QUILLMAR_HELD_<pid>` (a second record of the
// same process adds `_<n>`), written on the connection that makes the changes, just ahead of
// each change it announces: the server always has the record before the key, button or
// keymap change. Nothing here waits for a reply, and only a change of the set writes: a
// plain key's press and release, sent together, are not recorded.
//
// The property names a window of the recording connection, which the server destroys when it
// is done with that connection: a reader waits for that before it trusts the record, since
// requests the program sent just before it died may still be waiting to be carried out.
// Only X11 backend sources include this.
class X11HeldInputRecord {
public:
    // The property is written at once, empty.
    explicit X11HeldInputRecord(_XDisplay* display);
    // Lets go of and restores whatever is still held (a button a run left down), then
    // deletes the property.
    ~X11HeldInputRecord();
    X11HeldInputRecord(const X11HeldInputRecord&) = delete;
    X11HeldInputRecord& operator=(const X11HeldInputRecord&) = delete;

    // Called just before the key or button goes down or up.
    void key(unsigned keycode, bool down);
    void button(unsigned button, bool down);
    // Just before `keycode` is bound: the keysyms it has now. A keycode rebound again keeps the
    // keysyms of its first binding.
    void rebinding(unsigned keycode, const unsigned long* keysyms, int count);
    // The keycode has its former keysyms again, or another program has changed it since.
    void restored(unsigned keycode);
    // Just before Caps Lock is switched off for a text; again once it is back on.
    void capsLockOff(bool off);

private:
    void write();

    _XDisplay* m_display;
    std::string m_name;
    unsigned long m_atom = 0;
    unsigned long m_marker = 0;
    std::string m_host;
    std::set<unsigned> m_keys;
    std::set<unsigned> m_buttons;
    std::map<unsigned, std::vector<unsigned long>> m_rebound;
    bool m_capsLockOff = false;
};

// Puts back what the records of process `pid` hold (every key and button let go, every
// keycode's keysyms as they were, Caps Lock on if a text had switched it off) and deletes
// them, on a connection of its own to $DISPLAY. Does nothing when there are none or the
// display cannot be opened.
void restoreHeldInputOf(pid_t pid);

// The same for every record of this machine whose process is no longer alive: what an
// earlier start could not put back, when it and its guardian were killed together.
void restoreLeftoverHeldInput();

}  // namespace nightaudit
