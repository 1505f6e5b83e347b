#include "PreviewSteps.h"

#include "playback/Countdown.h"

namespace nightaudit {

void PreviewSteps::sequenceStarted(std::string heading) {
    ++m_depth;
    m_inKey = false;
    add(Kind::Heading, sequenceIndent(), std::move(heading));
    m_ended.clear();
}

void PreviewSteps::sequenceEnded(int id) {
    // A call refused before it began (nested too deep) ends without having started.
    if (m_depth == 0) return;
    --m_depth;
    m_inKey = depth() > 0;  // back inside the key that ran it
    if (depth() == 0) m_ended = "KS" + std::to_string(id);
}

void PreviewSteps::keyStarted(int type, std::string heading) {
    m_inKey = false;
    add(Kind::Key, stepIndent(), std::move(heading));
    m_inKey = true;
    m_keyType = type;
    m_keyWaits = 0;
    m_keyActed = false;
}

void PreviewSteps::desktop(std::string text, std::string record) {
    add(Kind::Desktop, stepIndent(), std::move(text), std::move(record));
    m_keyActed = true;
}

void PreviewSteps::report(std::string text, std::string record) {
    add(Kind::Report, stepIndent(), std::move(text), std::move(record));
    m_keyActed = true;
}

void PreviewSteps::wait(std::int32_t ms) {
    const std::int32_t seconds = Countdown::secondsFor(ms);
    if (seconds > 0) m_seconds += seconds;
    std::string label;
    if (depth() > 0 && m_inKey) {
        ++m_keyWaits;
        // A pause waits its wait after first, then its wait before.
        label = m_keyType == 4   ? (m_keyWaits == 1 ? "pause (waitafter)" : "pause (waitbefore)")
                : m_keyType == 3 ? "wait after printing"
                : m_keyActed     ? "wait after"
                                 : "wait before";
    } else if (!m_ended.empty()) {
        label = "wait after " + m_ended;
        m_ended.clear();
    } else {
        label = "wait before " + m_next;
    }
    std::string text;
    if (ms != 0) {
        text = label + ": " + (seconds > 0 ? std::to_string(seconds) + " s" : std::string("none")) +
               " (" + std::to_string(ms) + " ms)";
    }
    add(Kind::Wait, stepIndent(), std::move(text), {}, ms);
}

void PreviewSteps::failure(std::string text) {
    ++m_failures;
    add(Kind::Failure, stepIndent(), std::move(text));
}

}  // namespace nightaudit
