#pragma once

#include <memory>
#include <string>

#include "Desktop.h"

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

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace nightaudit
