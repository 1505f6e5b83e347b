#include "KeySequencePlayer.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "WholeNumber.h"
#include "core/Error.h"
#include "core/NodeKey.h"
#include "store/Statements.h"
#include "store/Value.h"

namespace nightaudit {

namespace {

enum class KeyType {
    Keystrokes = 0,
    FieldText = 1,
    Launch = 2,
    PrintText = 3,
    Pause = 4,
    PointerMove = 5,
    ButtonDown = 6,
    ButtonUp = 7,
    KeystrokesToWindow = 8,
    ParseReport = 9,
    RunKeySequence = 10,
    LoadNoShowList = 11,
    NextNoShowGuest = 12,
};

// The key's type, or nothing for a Null or a number that names no type: such a key
// is passed over. A text that is not a number at all is a broken row and fails.
std::optional<KeyType> keyTypeOf(const Value& value) {
    const std::optional<int> type = keyTypeNumber(value);
    if (!type) return std::nullopt;
    return static_cast<KeyType>(*type);
}

std::string requireText(const Value& value, const std::string& what) {
    if (value.isNull()) throw Error(err::TypeMismatch, "Invalid use of Null: " + what + " is Null");
    return value.text();
}

// A stored text as the program shows and types it. Bytes that are not UTF-8 would
// turn into replacement characters and be typed as such: refused instead.
QString qText(const std::string& utf8, const std::string& what) {
    QString text = QString::fromStdString(utf8);
    if (text.toStdString() != utf8) {
        throw Error(err::KeySyntax, "The " + what + " is not valid UTF-8; nothing was typed");
    }
    return text;
}

}  // namespace

QString dateForm(const QString& text) {
    return text.mid(0, 2) + QStringLiteral("/") + text.mid(2, 2) + QStringLiteral("/20") +
           text.mid(4, 2);
}

// One call of playKeySequence: its two results and the keys it plays.
class KeySequencePlayer::Call {
public:
    // `current` is kept naming the key being played, for the record of the run.
    Call(KeySequencePlayer& player, Cursor titles, Cursor keys, KeyRef& current)
        : p(player), m_titles(std::move(titles)), m_keys(std::move(keys)), m_current(current) {}

    // Plays every key; returns false when a stop request ended the call early.
    bool playAll() {
        while (!m_keys.eof()) {
            m_current = {QString::fromStdString(column("keysid").text()),
                         column("keytype").isNull()
                             ? QStringLiteral("Null")
                             : QString::fromStdString(column("keytype").text())};
            if (p.m_observer) p.m_observer->keyStarted(m_current);
            playKey();
            p.m_host.processEvents();
            m_keys.next();
            if (p.m_state.stopRequested) return false;
        }
        return true;
    }

private:
    Value column(const char* name) const { return m_keys.value(name); }
    void waitBefore() { p.m_waiter.wait(leadingLongOrZero(column("waitbefore"))); }
    void waitAfter() { p.m_waiter.wait(leadingLongOrZero(column("waitafter"))); }

    // The task's window title is read afresh at each activation; only the first
    // title row is ever used.
    void activateTarget() {
        p.m_typer.activate(requireText(m_titles.value("windowtitle"), "the task's window title"));
    }

    void pointer(std::optional<bool> buttonDown) {
        const std::int32_t x = wholeNumber32(column("waitbefore"), "the x coordinate (waitbefore)");
        const std::int32_t y = wholeNumber32(column("waitafter"), "the y coordinate (waitafter)");
        p.m_desktop.setPointer(x, y);
        if (buttonDown) p.m_desktop.leftButton(*buttonDown);
    }

    // A text that fails leaves no log line: the log shows only what was really typed.
    // The window's events wait for the end of the key (playAll): a wait after the text
    // handles them itself, and a turn of the event loop costs about as much as a key.
    void send(const QString& text) {
        p.m_typer.type(text.toStdString());
        p.m_runLog.append(text);
    }

    void playKey() {
        const std::optional<KeyType> type = keyTypeOf(column("keytype"));
        if (!type) return;
        switch (*type) {
            case KeyType::Keystrokes: {
                const QString current =
                    qText(requireText(column("keytext"), "the key text"), "key text");
                waitBefore();
                activateTarget();
                activateTarget();
                send(current);
                waitAfter();
                break;
            }
            case KeyType::FieldText: {
                const QString name =
                    qText(requireText(column("keytext"), "the field name"), "field name");
                const QString current = p.m_host.controlText(name);
                waitBefore();
                activateTarget();
                const Value purpose = column("keypurpose");
                const bool asDate = !purpose.isNull() && purpose.text() == "String Date";
                send(asDate ? dateForm(current) : current);
                waitAfter();
                break;
            }
            case KeyType::Launch:
                waitBefore();
                p.m_desktop.launch(p.m_desktop.commandWords(
                    requireText(column("keytext"), "the program to start")));
                waitAfter();
                break;
            case KeyType::PrintText:
                p.m_reports.printText(
                    qText(requireText(column("keytext"), "the text to print"), "text to print"));
                p.m_waiter.wait(2000);
                break;
            case KeyType::Pause:
                waitAfter();
                waitBefore();
                break;
            case KeyType::PointerMove:
                pointer(std::nullopt);
                break;
            case KeyType::ButtonDown:
                pointer(true);
                break;
            case KeyType::ButtonUp:
                pointer(false);
                break;
            case KeyType::KeystrokesToWindow:
                waitBefore();
                p.m_typer.activate(
                    requireText(column("keypurpose"), "the window title (keypurpose)"));
                p.m_typer.type(requireText(column("keytext"), "the key text"));
                waitAfter();
                break;
            case KeyType::ParseReport:
                p.m_reports.parseReport(
                    qText(requireText(column("keytext"), "the report file"), "report file name"));
                break;
            case KeyType::RunKeySequence: {
                const std::int16_t nested =
                    wholeNumber16(column("keytext"), "the key sequence to run (key text)");
                p.refuseLoop(nested);
                p.playKeySequence(0, nested);
                const int selected = p.m_host.selectedNodeIndex();
                if (selected == 0) throw Error(err::NoSuchNode, "No node is selected in the tree");
                p.m_host.markNodePlayed(selected);
                break;
            }
            case KeyType::LoadNoShowList:
                p.m_reports.loadNoShowList(
                    qText(requireText(column("keytext"), "the no-show file"), "no-show file name"));
                break;
            case KeyType::NextNoShowGuest:
                p.m_reports.showNextNoShow();
                break;
        }
    }

    KeySequencePlayer& p;
    Cursor m_titles;
    Cursor m_keys;
    KeyRef& m_current;
};

KeySequencePlayer::KeySequencePlayer(TaskStore& store, Desktop& desktop, Waiter& waiter,
                                     RunLog& runLog, PlaybackHost& host, Reports& reports,
                                     PlaybackState& state, RunObserver* observer)
    : m_store(store),
      m_desktop(desktop),
      m_waiter(waiter),
      m_runLog(runLog),
      m_host(host),
      m_reports(reports),
      m_state(state),
      m_observer(observer) {}

void KeySequencePlayer::refuseLoop(std::int16_t nested) const {
    const auto first = std::find(m_chain.begin(), m_chain.end(), nested);
    if (first == m_chain.end()) return;
    std::string chain;
    for (auto it = first; it != m_chain.end(); ++it) chain += std::to_string(*it) + " -> ";
    throw Error(err::NestingTooDeep, "The key sequence " + std::to_string(nested) +
                                         " plays itself (" + chain + std::to_string(nested) +
                                         "); it was not played again");
}

void KeySequencePlayer::playKeySequence(std::int16_t nodeIndex, std::int16_t keySequenceId) {
    struct DepthGuard {
        int& depth;
        explicit DepthGuard(int& d) : depth(++d) {}
        ~DepthGuard() { --depth; }
    } guard(m_depth);

    std::int16_t id = keySequenceId;
    KeyRef current;
    const auto ended = [&](SequenceOutcome outcome) {
        if (m_observer) m_observer->keySequenceEnded(id, outcome, current);
    };
    try {
        if (m_depth > MaxNestingDepth) {
            throw Error(err::NestingTooDeep, "Key sequences are nested more than " +
                                                 std::to_string(MaxNestingDepth) +
                                                 " deep: a key sequence probably runs itself");
        }
        if (id == 0) {
            m_host.ensureNodeVisible(nodeIndex);
            m_host.markNodePlayed(nodeIndex);
            id = wholeNumber16(NodeKey::parse(m_host.nodeKey(nodeIndex).toStdString()).id(),
                               "the key sequence id of the node");
        }
        m_state.keySequenceId = id;
        m_runLog.clear();
        if (m_observer) m_observer->keySequenceStarted(id);
        m_chain.push_back(id);
        struct ChainGuard {
            std::vector<std::int16_t>& chain;
            ~ChainGuard() { chain.pop_back(); }
        } chainGuard{m_chain};

        Cursor titles = m_store.query(statements::windowTitleQuery(id));
        Cursor keys = m_store.query(statements::keysQuery(id));
        Call call(*this, std::move(titles), std::move(keys), current);
        if (!call.playAll()) return ended(SequenceOutcome::Stopped);
        m_typer.activate(m_host.caption().toStdString());
        ended(SequenceOutcome::Played);
    } catch (const Error& e) {
        m_host.setCaption(QString::fromStdString(e.description()));
        // A stop that came inside a key (between two keystrokes, in a window wait) is
        // the clerk's, not a failure.
        if (e.number() == err::Stopped) {
            ended(SequenceOutcome::Stopped);
        } else {
            if (m_observer)
                m_observer->failed(e.number(), QString::fromStdString(e.description()), current);
            ended(SequenceOutcome::Failed);
        }
        if (e.number() == err::NestingTooDeep && m_depth > 1) throw;
    } catch (const std::exception& e) {
        m_host.setCaption(QString::fromStdString(e.what()));
        if (m_observer) m_observer->failed(0, QString::fromStdString(e.what()), current);
        ended(SequenceOutcome::Failed);
    }
}

}  // namespace nightaudit
