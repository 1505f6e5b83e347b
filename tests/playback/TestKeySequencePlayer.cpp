// The player and the selection runner over the fake main window; below them, the typing
// engine over the recording desktop: what reaches the window, what is retried, when a text
// ends and with which words.
#include <QTest>

#include "KeyTokens.h"
#include "PlaybackRig.h"
#include "playback/Countdown.h"
#include "playback/KeystrokeTyper.h"
#include "playback/SettlingWaiter.h"
#include "support/ErrorOf.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const std::vector<FakeNode> kTree = {{"TS1"},     {"T10", 1}, {"KS20", 2}, {"T11", 1},
                                     {"KS30", 4}, {"T40000"}, {"T1x"}};
const std::map<QString, QString> kFields = {
    {"special1", "070705"}, {"special2", "0707"}, {"special3", "12312024"}, {"special6", "Müller"}};
const QString kNever = ", (9, 0, 'never', NULL, 0, 0)";  // must not play after a failure

const auto typed = [](const QString& keys) { return kFront + "keys(" + keys + ") "; };
const auto field = [](const QString& text) { return "activate(Front Desk) keys(" + text + ") "; };

struct Played {
    QString trace, log, caption;  // the trace without waits of 0; a caption other than the name
    int id, thrown;               // the key sequence id left in the state; an error out of Go
};

// Plays key sequence 20 over keySequences(keys, nested) with node 3 selected; `how` may
// say "node N" (play tree node N), "stop N" (Stop in the Nth wait of a second or more),
// "go N" (Go on node N, selected) and "nothing selected", or "go N, stop M"; "settling":
// countdowns wait for the keys before them to be read.
Played play(const QString& keys, const QString& nested, const QString& how = {}) {
    PlaybackRig rig(keySequences(keys.toStdString(), nested.toStdString()), kTree);
    rig.host.controls = kFields;
    rig.host.log = QStringList{"left over"};
    const auto n = static_cast<std::int16_t>(how.section(' ', 1, 1).section(',', 0, 0).toInt());
    rig.host.selected = how.contains("nothing selected") ? 0 : how.startsWith("go") ? n : 3;
    if (const int stop = how.section("stop ", 1, 1).toInt()) rig.waiter.stopAtWait(stop);
    SettlingWaiter settling(rig.waiter, rig.fake);
    KeySequencePlayer settled(rig.store, rig.fake, settling, rig.host, rig.host, rig.host,
                              rig.state);
    KeySequencePlayer& player = how == "settling" ? settled : rig.player;
    const Thrown e = errorOf([&] {
        if (how.startsWith("go")) return rig.runner.run(n);
        player.playKeySequence(how.startsWith("node") ? n : 0, how.startsWith("node") ? 0 : 20);
    });
    const QString caption = rig.host.captionText;
    return {QString::fromStdString(rig.trace), rig.host.log.join(" | "),
            caption == "Quillmar Night Audit" ? QString() : caption, rig.state.keySequenceId,
            e.number};
}

// The run around the engine: its typing watch answers `stopAfter` questions with "go on",
// then stop (-1: never); a wait until shows its notice while the clerk lets the key go and
// the late window appears. Its stop key notes when it is given back and caught again.
struct TypingRig : TypingWatch, StopKey {
    FakeDesktop desktop;
    KeystrokeTyper typer{desktop};
    int stopAfter = -1;
    TypingRig() {
        desktop.addWindow("Desk");
        desktop.garbled = "€";
        desktop.setTypingWatch(this);
        desktop.setStopKey(this);
        m_armed = true;
    }
    bool stopRequested() override { return stopAfter >= 0 && stopAfter-- == 0; }
    bool waitUntil(const std::string& notice, const std::function<bool()>& ready) override {
        desktop.note("notice(" + notice + ") ");
        desktop.held.clear();
        desktop.addWindow("Late");
        return ready();
    }
    bool arm() override { return desktop.note("arm "), m_armed = true; }
    void disarm() override { desktop.note("disarm "), m_armed = false; }
    bool pressed() override { return false; }
};

}  // namespace

class TestKeySequencePlayer : public QObject {
    Q_OBJECT
private slots:
    // play() as one text: the trace, the run log ("left over" from before the run), the
    // error caption, the key sequence id and the error that reaches Go.
    void plays_data() {
        for (const char* column : {"keys", "nested", "how", "result"})
            QTest::addColumn<QString>(column);
        const auto row = [](const char* name, const QString& keys, const QString& result,
                            const QString& nested = {}, const QString& how = {}) {
            QTest::newRow(name) << keys << nested << how << result;
        };
        row("key order, ties stored; 8 not logged; Null type nothing; dates for 'String Date'",
            "(3, 0, 'c', NULL, 0, 0), (1, 0, 'a', NULL, 0, 0), (2, 8, 'b', 'Back Office', 0, 0),"
            " (3, 1, 'special2', 'String Date', 0, 0), (4, NULL, 'y', NULL, 1, 2),"
            " (5, 1, 'special6', NULL, 0, 0), (6, 1, 'special1', 'string date', 0, 0),"
            " (7, 1, 'special3', 'String Date', 0, 0)",
            typed("a") + "activate(Back Office) keys(b) " + typed("c") + field("07/07/20") +
                field("Müller") + field("070705") + field("12/31/2020") + kMain +
                "log(a | c | 07/07/20 | Müller | 070705 | 12/31/2020) id(20)");
        row("from a tree node: shown, marked, its id", "(1, 0, 'a', NULL, 0, 0)",
            "show(3) mark(3) " + typed("a") + kMain + "log(a) id(20)", {}, "node 3");
        row("waits and coordinates with fractions, read alike in every locale",
            "(1, 4, NULL, NULL, '999.6', '2999.6'), (2, 5, NULL, NULL, ' 12 ', '7.5')",
            "wait(3000) wait(1000) pointer(12,8) " + kMain + "log() id(20)");
        // A failure ends the key sequence at once, shows its description as the caption and
        // leaves the main window alone.
        row("key text not UTF-8", "(1, 0, CAST(X'61FF62' AS TEXT), NULL, 0, 0)" + kNever,
            "log() error(The key text is not valid UTF-8; nothing was typed) id(20)");
        // A loop is refused before the key sequence plays again; it ends the whole chain.
        row("plays itself through another",
            "(1, 0, 'a', NULL, 0, 0), (2, 10, '30', NULL, 0, 0)" + kNever,
            typed("a") + kBack +
                "keys(b) log(b) error(The key sequence 20 plays itself (20 -> 30 -> 20); it was "
                "not played again) id(30)",
            "(1, 0, 'b', NULL, 0, 0), (2, 10, '20', NULL, 0, 0)" + kNever);
        row("a failing nested sequence lets the outer go on",
            "(1, 10, '30', NULL, 0, 0), (2, 0, 'b', NULL, 0, 0)",
            "mark(3) " + typed("b") +
                "activate(Invalid use of Null: the key text is Null) log(b) "
                "error(Invalid use of Null: the key text is Null) id(30)",
            "(1, 0, NULL, NULL, 0, 0)" + kNever);
        // Go walks the tree: a failing key sequence does not end the walk. A task id past 16
        // bits or no number, or nothing selected: the error reaches Go, nothing is played.
        const QString bad = "Keystroke text: unknown key name \"BAD\" at character 2";
        row("Go on a task sequence", "(1, 0, '{BAD}', NULL, 0, 0)",
            "select(2) show(3) mark(3) " + kFront + "mark(3) select(4) show(5) mark(5) " + kBack +
                "keys(b) activate(" + bad + ") mark(5) log(b) error(" + bad + ") id(30)",
            "(1, 0, 'b', NULL, 0, 0)", "go 1");
        row("Stop in a wait ends the run after that key, and the walk starts no later task",
            "(1, 0, 'a', NULL, 1000, 2000), (2, 0, 'b', NULL, 0, 0)",
            "select(2) show(3) mark(3) wait(1000) " + typed("a") +
                "wait(2000) mark(3) log(a) id(20)",
            "(1, 0, 'c', NULL, 0, 0)", "go 1, stop 1");
        // A countdown takes the focus from the window typed into: it shows only once that
        // window has read its keys. A wait that shows nothing, or no keys before it, does not ask.
        row("settled before a countdown after", "(1, 0, 'a', NULL, 0, 1000)",
            typed("a") + "settle wait(1000) " + kMain + "log(a) id(20)", {}, "settling");
        row("settled before a countdown before the next key",
            "(1, 0, 'a', NULL, 0, 500), (2, 0, 'b', NULL, 2000, 0), (3, 4, NULL, NULL, 0, 3000), "
            "(4, 4, NULL, NULL, 0, 1000)",
            typed("a") + "wait(500) settle wait(2000) " + typed("b") +
                "settle wait(3000) wait(1000) " + kMain + "log(a | b) id(20)",
            {}, "settling");
        const QString thrown = "log(left over) id(0) thrown(%1)";
        row("Go on a task id past 16 bits", "", thrown.arg(err::Overflow), {}, "go 6");
        row("Go on a task id that is no number", "", thrown.arg(err::TypeMismatch), {}, "go 7");
        row("Go with nothing selected", "", thrown.arg(err::NoSuchNode), {},
            "go 1, nothing selected");
    }
    void plays() {
        QFETCH(QString, keys);
        QFETCH(QString, nested);
        QFETCH(QString, how);
        QFETCH(QString, result);
        const Played p = play(keys, nested, how);
        QCOMPARE(p.trace + "log(" + p.log + ") " +
                     (p.caption.isEmpty() ? "" : "error(" + p.caption + ") ") +
                     QString("id(%1)").arg(p.id) +
                     (p.thrown ? QString(" thrown(%1)").arg(p.thrown) : ""),
                 result);
    }

    // Every table of docs/authoring.md under a "<!-- checked: KIND -->" line, row by row:
    // the right-hand column must be what the program does. A key row is one key of key
    // sequence 20; key sequence 30 types ok~; the main window's activation is left out.
    void guide_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("cells");
        const auto lines = QString::fromStdString(readFile(QStringLiteral(NIGHTAUDIT_DATA_DIR
                                                                          "/../docs/authoring.md")))
                               .split('\n');
        int rows = 0;
        for (int line = 0; line < lines.size(); ++line) {
            if (!lines[line].startsWith("<!-- checked: ")) continue;
            const QString kind = lines[line].mid(14).chopped(4);
            for (line += 3; line < lines.size() && lines[line].startsWith('|'); ++line, ++rows) {
                QStringList cells = lines[line].split('|').mid(1, lines[line].count('|') - 1);
                for (QString& cell : cells) cell = cell.remove('`').trimmed();
                QTest::addRow("%s, line %d", qPrintable(kind), line + 1) << kind << cells;
            }
        }
        QVERIFY2(rows >= 45, "the guide's checked tables went missing");
    }
    void guide() {
        QFETCH(QString, kind);
        QFETCH(QStringList, cells);
        QString got = QString::number(Countdown::secondsFor(cells[0].toInt()));  // "waits"
        if (kind != "waits") {
            QStringList key =
                kind == "key rows" ? cells.mid(0, 5) : QStringList{"0", cells[0], "Null", "0", "0"};
            for (QString& cell : key)
                cell = cell == "Null" ? "NULL" : "'" + cell.replace('\'', "''") + "'";
            const Played p = play("(1, " + key.join(", ") + ")", "(1, 0, 'ok~', NULL, 0, 0)");
            const QString trace = QString(p.trace).replace("mark(3)", "mark(selected)");
            if (kind == "key rows")
                got = p.caption.isEmpty()
                          ? trace.chopped(trace.endsWith(kMain) ? kMain.size() : 0).trimmed()
                          : trace + "error: " + p.caption;
            else  // "keystrokes": what the demo front desk shows of the keys typed
                got = trace.endsWith("keys(" + cells[0] + ") " + kMain)
                          ? frontdesk::tokensOf(cells[0].toStdString())
                          : "refused: " + p.caption;
        }
        QCOMPARE(got, cells.last());
    }

    // A chain of key sequences 101 -> 102 -> ... each typing "back" after the next: the
    // chain from 102 is as deep as the limit allows, the one from 101 one deeper and types
    // nothing; the depth count unwinds after it.
    void nestingLimit() {
        const int limit = KeySequencePlayer::MaxNestingDepth;
        std::string rows = kTasks;
        for (int id = 101; id <= 101 + limit; ++id) {
            const std::string n = std::to_string(id);
            rows += "INSERT INTO keysequence VALUES (" + n + ", 10, 'n', 1, NULL, 0, 0, 1);" +
                    "INSERT INTO keys VALUES (NULL, " + n + ", 1, " +
                    (id < 101 + limit ? "10, '" + std::to_string(id + 1) + "'" : "0, 'deep'") +
                    ", NULL, 0, 0), (NULL, " + n + ", 2, 0, 'back', NULL, 0, 0);";
        }
        PlaybackRig rig(rows, kTree);
        rig.host.selected = 1;
        const QStringList played = QStringList{"deep"} + QStringList(limit, "back");
        for (int from : {102, 101, 102}) {
            rig.host.log.clear();
            rig.player.playKeySequence(0, static_cast<std::int16_t>(from));
            QCOMPARE(rig.host.log, from == 102 ? played : QStringList());
        }
    }

    // The typing engine alone: texts typed one after the other into "Desk" (or the
    // `window` given), the desktop's checks answering as `answers` says (FakeDesktop); the
    // record, then the error's text. A text's note shows that its sender ended: no modifier
    // stays down. Keys `delay` ms apart.
    void types_data() {
        for (const char* column : {"texts", "answers", "window", "result"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<int>("delay");
        const QString desk = "activate(Desk) ";
        const auto row = [&](const char* name, const char* texts, const char* answers,
                             const QString& result, int stopAfter = -1, int delay = 0,
                             const char* window = "Desk") {
            QTest::newRow(name) << QString::fromUtf8(texts) << answers << window
                                << (QString(window) == "Desk" && stopAfter ? desk : "") + result
                                << stopAfter << delay;
        };
        row("KEYDELAY between keys and between texts", "ab|c", "", "keys(ab) keys(c) ", -1, 20);
        row("a control character: nothing sent", "a\x07", "",
            "keys(a\x07)[0] ! Keystroke text: the control character 7 cannot be typed");
        row("a character that cannot arrive: nothing sent", "a€", "",
            "keys(a€)[0] ! The character \"€\" would arrive garbled in \"Desk\" (a Java "
            "program); nothing was typed");
        row("stop before the activation", "ab", "",
            "! Stopped before the window \"Desk\" was activated", 0);
        row("stop between two keys", "abc", "",
            "keys(abc)[1] ! Stopped after 1 of 3 keys typed into \"Desk\"", 2);
        row("focus moved before the first key: activated again", "ab", "f",
            "keys(ab)[0] " + desk + "keys(ab) ");
        row("focus never kept", "ab", "fff",
            "keys(ab)[0] " + desk + "keys(ab)[0] " + desk +
                "keys(ab)[0] ! The window \"Desk\" did not keep the focus; nothing was typed");
        row("focus moved after a key", "ab", ".f",
            "keys(ab)[1] ! The input focus moved to \"Thief\" while typing into \"Desk\"; 1 of 2 "
            "keys were typed, no more");
        row("keymap changed before the first key: mapped again", "ab", "k",
            "keys(ab)[0] keys(ab) ");
        row("keymap kept changing", "ab", "kkk",
            "keys(ab)[0] keys(ab)[0] keys(ab)[0] ! The keyboard map kept changing while a text "
            "was about to be typed; nothing was typed");
        row("keymap changed after a key", "ab", ".k",
            "keys(ab)[1] ! The keyboard layout changed while typing; 1 of 2 keys were typed, no "
            "more");
        row("a key held: a notice until it is let go, then activated again", "ab", "h",
            "keys(ab)[0] notice(The Shift_L key is held down: typing goes on when it is let go) " +
                desk + "keys(ab) ");
        row("keyboard taken before the first key", "ab", "t",
            "keys(ab)[0] ! Another program holds the keyboard; nothing was typed into \"Desk\"");
        row("keyboard taken after a key", "ab", ".t",
            "keys(ab)[1] ! Another program took the keyboard while typing into \"Desk\"; 1 of 2 "
            "keys were typed, no more");
        row("{BREAK} gives the stop key back while it is typed", "a{BREAK}", "",
            "disarm keys(a{BREAK}) arm ");
        row("a window that comes late is waited for", "a", "",
            "notice(Waiting for window \"Late\" ....) activate(Late) keys(a) ", -1, 0, "Late");
    }
    void types() {
        QFETCH(QString, texts);
        QFETCH(QString, answers);
        QFETCH(QString, window);
        QFETCH(QString, result);
        QFETCH(int, stopAfter);
        QFETCH(int, delay);
        TypingRig rig;
        rig.desktop.answers = answers.toStdString();
        rig.stopAfter = stopAfter;
        const std::chrono::milliseconds apart(delay);
        rig.typer.setPacing(apart, std::chrono::milliseconds(60000));
        const Thrown e = errorOf([&] {
            rig.typer.activate(window.toStdString());
            for (const QString& text : texts.split('|')) rig.typer.type(text.toStdString());
        });
        QCOMPARE(QString::fromStdString(rig.desktop.record()) + (e.number ? "! " + e.text : ""),
                 result);
        const auto& at = rig.desktop.presses;
        for (std::size_t i = 1; i < at.size(); ++i) QVERIFY(at[i] - at[i - 1] >= apart);
    }
};

QTEST_GUILESS_MAIN(TestKeySequencePlayer)
#include "TestKeySequencePlayer.moc"
