#pragma once

namespace nightaudit {

// A key the clerk can press anywhere on the desktop to stop a run, whatever window has
// the focus and whether or not a countdown is showing its Stop button.
// Implementations: X11StopKey (Pause grabbed on the X root window).
class StopKey {
public:
    virtual ~StopKey() = default;

    // Starts catching the key for this program. Returns false when it cannot (another
    // program holds it): the run goes on without a stop key.
    virtual bool arm() = 0;

    // Gives the key back to the desktop; a press caught before still counts for the next
    // pressed(). Harmless when not armed.
    virtual void disarm() = 0;

    bool armed() const { return m_armed; }

    // Whether the key was pressed since the last call; reads every pending event without
    // blocking.
    virtual bool pressed() = 0;

    // Gives the key back for the life of this object and catches it again afterwards, so
    // that a key the program types itself reaches its window and does not count as a
    // press.
    class Suspension {
    public:
        explicit Suspension(StopKey* key) : m_key(key && key->armed() ? key : nullptr) {
            if (m_key) m_key->disarm();
        }
        ~Suspension() {
            if (m_key) m_key->arm();
        }
        Suspension(const Suspension&) = delete;
        Suspension& operator=(const Suspension&) = delete;

    private:
        StopKey* m_key;
    };

protected:
    bool m_armed = false;
};

}  // namespace nightaudit
