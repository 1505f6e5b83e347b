#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core/Error.h"
#include "platform/CommandLine.h"
#include "platform/ProcessLauncher.h"
#include "platform/SendKeysParser.h"
#include "support/ErrorOf.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const char kNames[] =
    ". BS BREAK CAPS DEL DOWN END ENTER ESC HELP HOME INS LEFT NUM PGDN PGUP "
    "PRTSC RIGHT SCROLL TAB UP F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F11 F12 F13 F14 "
    "F15 F16 ADD SUB MUL DIV";

// One word per stroke, "S+C+A+" before the key; a failed parse gives "! " and the error's
// text. Simple texts and errors: the guide's keystroke examples (test_key_sequence_player).
QString describe(const QByteArray& text) {
    QStringList words;
    const Thrown e = errorOf([&] {
        for (const auto& s : parseSendKeys(text.toStdString())) {
            const char32_t c = s.character;
            const QString key = s.key == NamedKey::None
                                    ? QString::fromUcs4(&c, 1)
                                    : "{" + QString(kNames).split(' ')[int(s.key)] + "}";
            words << QString(s.modifiers & Shift ? "S+" : "") + (s.modifiers & Ctrl ? "C+" : "") +
                         (s.modifiers & Alt ? "A+" : "") + key;
        }
    });
    if (e.number != 0 && e.number != err::KeySyntax) return QString("error %1").arg(e.number);
    return e.number ? "! " + e.text.mid(QString("Keystroke text: ").size()) : words.join(' ');
}

// A command line's words, each in <>, or the number of the error.
QString split(const QByteArray& line) {
    QString got;
    const Thrown e = errorOf([&] {
        for (const auto& w : splitCommandLine(line.toStdString()))
            got += "<" + QString::fromStdString(w) + ">";
    });
    return e.number ? QString("error %1").arg(e.number) : got;
}

}  // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    // A keystroke text's strokes, or a command line's words.
    void parse_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("commandLine");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QByteArray& text, const QString& expected,
                            bool commandLine = false) {
            QTest::newRow(name) << text << commandLine << expected;
        };
        row("modifiers combine, once each; on tilde", "^+%x++a^~", "S+C+A+x S+a C+{ENTER}");
        row("groups, nested, their modifiers combined; a bare group", "+(ab)c%(a^(bc)d)e^(a+b)(ab)",
            "S+a S+b c A+a C+A+b C+A+c A+d e C+a S+C+b a b");
        row("names, aliases, any case; a braced letter and space",
            "{Enter}{bs}{BKSP}{BackSpace}{del}{Delete}{insert}{f1}{F16}{b}{ }",
            "{ENTER} {BS} {BS} {BS} {DEL} {DEL} {INS} {F1} {F16} b  ");
        row("repeats", "{TAB 3}{a 02}x{a 0}{} 2}{{ 2}+{TAB 2}",
            "{TAB} {TAB} {TAB} a a x } } { { S+{TAB} S+{TAB}");
        row("UTF-8", "é€ß+ü{ü 2}\xF0\x9F\x98\x80", "é € ß S+ü ü ü \xF0\x9F\x98\x80");

        row("stray close brace", "ab}", "! '}' without a matching '{' at character 3");
        row("F0", "{F0}", "! unknown key name \"F0\" at character 2");
        row("F17", "{F17}", "! unknown key name \"F17\" at character 2");
        row("count missing", "{TAB }", "! a repeat count is missing at character 6");
        row("huge count", "{a 9999999999999}", "! the repeat count is above 10000 at character 4");
        // Ten repeats of 10000 pass; one key more is too many.
        row("too many plain characters", QByteArray("{a 10000}").repeated(10) + "b",
            "! the text expands to more than 100000 keys at character 91");
        row("bad UTF-8 byte", "ab\xFF", "! invalid UTF-8 byte at character 3");
        row("truncated UTF-8", "é\xC3", "! truncated UTF-8 character at character 2");
        row("overlong UTF-8", "\xC0\xAF", "! invalid UTF-8 sequence at character 1");
        // Found by fuzz_sendkeys: a NUL byte used to become a stroke of character 0.
        row("NUL byte", QByteArray("%\x03\x00", 3), "! a NUL character at character 3");
        row("NUL in braces", QByteArray("a{\x00}", 4), "! a NUL character at character 3");
        row("deep nesting", QByteArray(65, '(') + "a" + QByteArray(65, ')'),
            "! groups nested too deeply at character 65");
        row("command line: blanks, quotes, joined parts, no expansion",
            "  pr'o'g\"ram\" \t $HOME *.txt ~ 'a b' 'x\\y' '' \"a 'b' \\\"c\\\" \\x\" a\\ b \\' ",
            "<program><$HOME><*.txt><~><a b><x\\y><><a 'b' \"c\" \\x><a b><'>", true);
        row("command line: unclosed quote", "prog \"a", QString("error %1").arg(err::LaunchFailed),
            true);
    }
    void parse() {
        QFETCH(QByteArray, text);
        QFETCH(bool, commandLine);
        QFETCH(QString, expected);
        QCOMPARE(commandLine ? split(text) : describe(text), expected);
    }

    // One word reaches the program, its $ and ; untouched by any shell; a program that
    // cannot start fails and leaves nothing running.
    void startsWithoutAShellAndReaps() {
        QTemporaryDir dir;
        ProcessLauncher launcher;
        launcher.launch("sh -c 'printf %s \"$0\" > " + dir.filePath("out").toStdString() +
                        "' 'a b;$X'");
        QTRY_VERIFY_WITH_TIMEOUT((launcher.reap(), launcher.running() == 0), 5000);
        QFile f(dir.filePath("out"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("a b;$X"));
        for (const char* line : {"no-such-program-here --flag", "/nonexistent/prog", "   "}) {
            QCOMPARE(errorOf([&] { launcher.launch(line); }).number, err::LaunchFailed);
            QCOMPARE(launcher.running(), std::size_t(0));
        }
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "TestPlatform.moc"
