#pragma once

#include <memory>
#include <string>

#include "Desktop.h"
#include "StopKey.h"

namespace nightaudit {

// The desktop of an X11 display, driven through XTest.
class X11Desktop : public Desktop {
public:
    // Opens the display named by $DISPLAY. Throws Error(err::DisplayLost) when it cannot.
    X11Desktop();
    ~X11Desktop() override;

    void activate(const std::string& title) override;
    void sendKeys(const std::string& keys) override;
    void launch(const std::string& commandLine) override;
    void setPointer(int x, int y) override;
    void leftButton(bool down) override;
    void settle() override;

    // The run's stop key, given back while a text with {BREAK} is typed: that key is
    // Pause with a modifier on most keymaps, and a grab must neither swallow it nor take
    // it for the clerk's stop. Null for none; it must outlive this desktop's sends.
    void setStopKey(StopKey* stopKey);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace nightaudit
