#include "RunPreview.h"

#include <QFile>
#include <QLocale>
#include <QStandardPaths>

#include <memory>
#include <vector>

#include "KeyTokens.h"
#include "PreviewTree.h"
#include "core/Error.h"
#include "core/NodeKey.h"
#include "platform/CommandLine.h"
#include "platform/Desktop.h"
#include "playback/KeySequencePlayer.h"
#include "playback/SelectionRunner.h"
#include "report/ReportImport.h"
#include "store/RunSettings.h"
#include "store/Statements.h"

namespace nightaudit {
namespace {

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

// Writes down what it is asked to do; types nothing.
class DryDesktop : public Desktop {
public:
    DryDesktop(PreviewSteps& steps, const WindowFields& window)
        : m_steps(steps), m_window(window) {}

    void activate(const std::string& title) override {
        m_steps.desktop(title == m_window.caption().toStdString()
                            ? "back to this program's window"
                            : "activate the window " + quoted(title),
                        "activate(" + title + ") ");
    }
    bool hasWindow(const std::string&) override { return true; }
    // Every stroke "arrives": the text is written down once, as a whole.
    struct DrySender : StrokeSender {
        std::string cannotArrive(std::size_t) override { return {}; }
        StrokeAnswer press(std::size_t) override { return {}; }
    };
    std::unique_ptr<StrokeSender> beginTyping(const std::string& keys,
                                              const std::vector<KeyStroke>&) override {
        // The front desk's tokens of the text; a text the player refuses fails here as there.
        const QString tokens = frontdesk::tokensOf(keys);
        m_steps.desktop("type " + quoted(keys) + "  → " + tokens.toStdString(),
                        "keys(" + keys + ") ");
        return std::make_unique<DrySender>();
    }
    void launch(const std::vector<std::string>& words) override {
        if (words.empty())
            throw Error(err::LaunchFailed, "Cannot start a program: the command is empty");
        std::string text = "start", line;
        // Appended piece by piece: GCC 12 at -O3 takes `" " + string` here for an
        // overlapping copy and fails a Release build.
        for (const std::string& w : words) {
            text.append(" ").append(quoted(w));
            line.append(line.empty() ? "" : " ").append(w);
        }
        if (QStandardPaths::findExecutable(QString::fromStdString(words[0])).isEmpty())
            text += "  (no such program here)";
        m_steps.desktop(text, "launch(" + line + ") ");
    }
    void setPointer(int x, int y) override {
        const std::string at = std::to_string(x) + "," + std::to_string(y);
        m_steps.desktop("move the pointer to " + at, "pointer(" + at + ") ");
    }
    void leftButton(bool down) override {
        m_steps.desktop(down ? "press the left button" : "release the left button",
                        down ? "down " : "up ");
    }

private:
    PreviewSteps& m_steps;
    const WindowFields& m_window;
};

class DryWaiter : public Waiter {
public:
    explicit DryWaiter(PreviewSteps& steps) : m_steps(steps) {}
    void wait(std::int32_t milliseconds) override { m_steps.wait(milliseconds); }
    bool waitUntil(const QString&, const std::function<bool()>&) override { return true; }
    void stopCurrentWait() override {}

private:
    PreviewSteps& m_steps;
};

// Names the report files as the program would find them; reads, prints and deletes nothing.
class DryReports : public Reports {
public:
    DryReports(PreviewSteps& steps, WindowFields& window, const QString& folder)
        : m_steps(steps), m_window(window), m_paths(nullptr, ReportImport::TextSetter{}, folder) {}

    void printText(const QString& text) override {
        m_steps.report("print the page " + quoted(text.toStdString()),
                       "print(" + text.toStdString() + ") ");
    }
    void parseReport(const QString& fileName) override {
        m_steps.report(
            "read the audit report " + path(fileName) + ", print its card totals and delete it",
            "report(" + fileName.toStdString() + ") ");
    }
    void loadNoShowList(const QString& fileName) override {
        m_steps.report("read the no-show list " + path(fileName) + " and delete it",
                       "noshows(" + fileName.toStdString() + ") ");
    }
    void showNextNoShow() override {
        m_window.setControlText(QStringLiteral("special6"), RunPreview::kNextNoShow);
        m_steps.report("the next no-show entry into special6 (" +
                           RunPreview::kNextNoShow.toStdString() + " here)",
                       "nextnoshow ");
    }

private:
    std::string path(const QString& fileName) const {
        const QString full = m_paths.reportPath(fileName);
        return full.toStdString() + (QFile::exists(full) ? "" : " (not there now)");
    }

    PreviewSteps& m_steps;
    WindowFields& m_window;
    ReportImport m_paths;
};

class SilentRunLog : public RunLog {
public:
    void clear() override {}
    void append(const QString&) override {}
};

const char* const kTypeNames[] = {"keystrokes",
                                  "field text",
                                  "start a program",
                                  "print a text",
                                  "pause",
                                  "pointer move",
                                  "left button down",
                                  "left button up",
                                  "keystrokes to a named window",
                                  "audit report",
                                  "run a key sequence",
                                  "no-show list",
                                  "next no-show entry"};

// Heads each key sequence and key with what the store says of it, as the player reaches them.
class PreviewObserver : public RunObserver {
public:
    PreviewObserver(PreviewSteps& steps, TaskStore& store, const PreviewTree& tree)
        : m_steps(steps), m_store(store), m_tree(tree) {}

    void runStarted(RunTrigger, const QString&, const QString&) override {}
    void stopped(StopSource) override {}
    void runEnded() override {}

    void keySequenceStarted(int id) override {
        const auto ks = static_cast<std::int16_t>(id);
        std::string heading = "key sequence KS" + std::to_string(id) + " " + quoted(name(id));
        Cursor titles = m_store.query(statements::windowTitleQuery(ks));
        heading += titles.eof() ? std::string(" (no keys)")
                   : titles.value("windowtitle").isNull()
                       ? std::string(" into no window (WINDOWTITLE is Null)")
                       : " into " + quoted(titles.value("windowtitle").text());
        m_steps.sequenceStarted(heading);
        std::vector<std::pair<int, std::string>> keys;
        for (Cursor k = m_store.query(statements::keysQuery(ks)); !k.eof(); k.next())
            keys.push_back(describe(k));
        m_keys.push_back({std::move(keys), 0});
    }
    void keyStarted(const KeyRef&) override {
        auto& [keys, next] = m_keys.back();
        const bool known = next < keys.size();
        if (!known) return m_steps.keyStarted(-1, "key");
        const auto& [type, heading] = keys[next++];
        m_steps.keyStarted(type, heading);
    }
    void keySequenceEnded(int id, SequenceOutcome, const KeyRef&) override {
        const int depth = m_steps.depth();
        m_steps.sequenceEnded(id);
        if (m_steps.depth() < depth) m_keys.pop_back();
    }
    void failed(int number, const QString& description, const KeyRef&) override {
        m_steps.failure("✗ the key sequence stops here: " + description.toStdString() + " (error " +
                        std::to_string(number) + ")");
    }

private:
    std::string name(int id) const {
        const QString key = QStringLiteral("KS%1").arg(id);
        for (int i = 1; i <= m_tree.nodeCount(); ++i)
            if (m_tree.nodeKey(i) == key) return m_tree.nodeText(i).toStdString();
        Cursor row = m_store.query(statements::keySequenceNameQuery(static_cast<std::int16_t>(id)));
        return row.eof() ? std::string("(no such key sequence)") : row.value("Name").text();
    }

    // The type (-1 for none) and "key 5, type 1 field text: special1 as a date".
    static std::pair<int, std::string> describe(const Cursor& k) {
        const Value type = k.value("keytype");
        std::string text = "key " + k.value("keysid").text() + ", type " +
                           (type.isNull() ? std::string("Null") : type.text());
        int t = -1;
        for (int i = 0; i <= 12; ++i)
            if (type.kind() != Value::Kind::Null && type.text() == std::to_string(i)) t = i;
        if (t < 0) return {t, text + " (none of 0 to 12: does nothing)"};
        text += std::string(" ") + kTypeNames[t];
        const Value keytext = k.value("keytext");
        const Value purpose = k.value("keypurpose");
        if (t == 1)
            text += ": " + keytext.text() +
                    (!purpose.isNull() && purpose.text() == "String Date" ? " as a date" : "");
        if (t == 8) text += " " + quoted(purpose.text());
        if (t == 10) text += ": KS" + keytext.text();
        return {t, text};
    }

    PreviewSteps& m_steps;
    TaskStore& m_store;
    const PreviewTree& m_tree;
    // Per key sequence playing: its keys as read, and the next one to play.
    std::vector<std::pair<std::vector<std::pair<int, std::string>>, std::size_t>> m_keys;
};

}  // namespace

const QString RunPreview::kNextNoShow = QStringLiteral("NOSHOW1");

RunPreview::RunPreview(TaskStore& store, QString storeFolder, QDate auditDay)
    : m_store(store), m_folder(std::move(storeFolder)), m_day(auditDay) {}

PreviewSteps RunPreview::run(const std::string& nodeKey) {
    const NodeKind kind = NodeKey::parse(nodeKey).kind();
    PreviewSteps steps(kind == NodeKind::TaskSequence ? 2 : kind == NodeKind::Task ? 1 : 0);
    PreviewTree tree(m_store, m_day, steps);
    int index = 0;
    for (int i = 1; i <= tree.nodeCount() && index == 0; ++i)
        if (tree.nodeKey(i).toStdString() == nodeKey) index = i;
    if (index == 0) {
        throw Error(err::NoSuchNode,
                    "On " + m_day.toString(Qt::ISODate).toStdString() + " the tree has no node " +
                        nodeKey +
                        ": no such row, a disabled one (or under one), or a key sequence of "
                        "another weekday");
    }
    steps.heading(0, "Go on " + nodeKey + " \"" + tree.nodeText(index).toStdString() +
                         "\", audit day " +
                         QLocale::system().toString(m_day, QLocale::ShortFormat).toStdString() +
                         " (" + QLocale::system().dayName(m_day.dayOfWeek()).toStdString() + ")");
    steps.heading(0, tree.specialsText().toStdString());
    const RunSettings settings = RunSettings::read(m_store);
    if (settings.keyDelayMs > 0 || settings.windowWaitMs > 0) {
        steps.heading(0, "keys " + std::to_string(settings.keyDelayMs) +
                             " ms apart (KEYDELAY), windows looked for up to " +
                             std::to_string(settings.windowWaitMs) + " ms (WINDOWWAIT)");
    }
    if (kind == NodeKind::TaskSequence) steps.heading(0, "task sequence " + nodeKey);

    PlaybackState state;
    DryDesktop desktop(steps, tree);
    DryWaiter waiter(steps);
    DryReports reports(steps, tree, m_folder);
    SilentRunLog log;
    PreviewObserver observer(steps, m_store, tree);
    KeySequencePlayer player(m_store, desktop, waiter, log, tree, reports, state, &observer);
    SelectionRunner runner(m_store, tree, player, waiter, state);
    tree.selectNode(index);
    try {
        runner.run(static_cast<std::int16_t>(index));
    } catch (const Error& e) {
        steps.failure("✗ the run stops here: " + e.description() + " (error " +
                      std::to_string(e.number()) + ")");
    }
    return steps;
}

std::string RunPreview::text(const PreviewSteps& steps) {
    std::string out;
    for (const PreviewStep& s : steps.steps()) {
        if (s.text.empty()) continue;
        out += std::string(static_cast<std::size_t>(s.indent) * 2, ' ') + s.text + "\n";
    }
    out += "waits in all: " + std::to_string(steps.waitSeconds()) + " s\n";
    if (steps.failures() > 0)
        out += std::to_string(steps.failures()) +
               " problem(s) would end key sequences early (✗ above)\n";
    return out;
}

}  // namespace nightaudit
