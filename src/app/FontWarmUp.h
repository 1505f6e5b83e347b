#pragma once

#include <thread>

namespace nightaudit {

// Reads the desktop's font configuration on a second thread while the program starts.
// fontconfig's first use parses every file under /etc/fonts, which is most of the work
// before the main window can be shown; Qt asks for it when the first caption is
// measured. Started before the QApplication, the reading overlaps the connection to
// the display. Call join() before the first widget with a caption is made: a second
// first use while the thread still reads would read the whole configuration again.
class FontWarmUp {
public:
    FontWarmUp();
    ~FontWarmUp();  // joins
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    void join();

private:
    std::thread m_thread;
};

}  // namespace nightaudit
