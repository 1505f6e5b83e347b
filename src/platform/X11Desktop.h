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

    bool hasWindow(const std::string& title) override;
    void activate(const std::string& title) override;
    std::unique_ptr<StrokeSender> beginTyping(const std::string& text,
                                              const std::vector<KeyStroke>& strokes) override;
    std::string heldKey() override;
    void launch(const std::vector<std::string>& words) override;
    void setPointer(int x, int y) override;
    void leftButton(bool down) override;
    void settle() override;

private:
    class Sender;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace nightaudit
