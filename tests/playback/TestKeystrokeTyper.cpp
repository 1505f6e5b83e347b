// The typing engine over the recording desktop: what reaches the window, what is retried,
// when a text ends and with which words.
#include <QTest>

#include "playback/KeystrokeTyper.h"
#include "support/ErrorOf.h"
#include "support/FakeDesktop.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// The run around the engine: its typing watch answers `stopAfter` questions with "go on",
// then stop (-1: never); a wait until shows its notice while the clerk lets the key go and
// the late window appears. Its stop key notes when it is given back and caught again.
struct Rig : TypingWatch, StopKey {
    FakeDesktop desktop;
    KeystrokeTyper typer{desktop};
    int stopAfter = -1;
    Rig() {
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

class TestKeystrokeTyper : public QObject {
    Q_OBJECT
private slots:
    // Texts typed one after the other into "Desk" (or the `window` given), the desktop's
    // checks answering as `answers` says (FakeDesktop); the record, then the error's text.
    // A text's note shows that its sender ended: no modifier stays down. Keys `delay` ms apart.
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
        Rig rig;
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

QTEST_GUILESS_MAIN(TestKeystrokeTyper)
#include "TestKeystrokeTyper.moc"
