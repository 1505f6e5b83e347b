#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core/Error.h"
#include "keys/SendKeysParser.h"
#include "platform/CommandLine.h"
#include "platform/KeymapIndex.h"
#include "platform/ProcessLauncher.h"
#include "support/ErrorOf.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const char kNames[] =
    ". BS BREAK CAPS DEL DOWN END ENTER ESC HELP HOME INS LEFT NUM PGDN PGUP "
    "PRTSC RIGHT SCROLL TAB UP F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F11 F12 F13 F14 "
    "F15 F16 ADD SUB MUL DIV";

// A keystroke text's strokes, one word each with "S+C+A+" before the key, or a command
// line's words, each in <>; a keystroke text's error gives "! " and its text, another error
// its number. Simple texts and errors: the guide's keystroke examples
// (test_key_sequence_player).
QString words(const QString& kind, const QByteArray& text) {
    QStringList words;
    const Thrown e = errorOf([&] {
        if (kind == "command")
            for (const auto& w : splitCommandLine(text.toStdString()))
                words << "<" + QString::fromStdString(w) + ">";
        else
            for (const auto& s : parseSendKeys(text.toStdString())) {
                const char32_t c = s.character;
                const QString key = s.key == NamedKey::None
                                        ? QString::fromUcs4(&c, 1)
                                        : "{" + QString(kNames).split(' ')[int(s.key)] + "}";
                words << QString(s.modifiers & Shift ? "S+" : "") +
                             (s.modifiers & Ctrl ? "C+" : "") + (s.modifiers & Alt ? "A+" : "") +
                             key;
            }
    });
    if (e.number != 0 && e.number != err::KeySyntax) return QString("error %1").arg(e.number);
    return e.number ? "! " + e.text.mid(QString("Keystroke text: ").size())
                    : words.join(kind == "keys" ? " " : "");
}

// A German layout in miniature, as the X server lists it: keycode, then each level's keysym
// with the modifiers that select it (S Shift, 3 AltGr).
const KeymapIndex kGerman({
    {24, {{'q', 0}, {'Q', Shift}, {'@', Level3}}},
    {26, {{'e', 0}, {'E', Shift}}},
    {21, {{deadkey::Acute, 0}, {deadkey::Grave, Shift}}},
    {49, {{deadkey::Circumflex, 0}, {0xb0, Shift}}},
    {35, {{'+', 0}, {'*', Shift}, {'~', Level3}}},
    {38, {{'a', 0}}},  // lists the lower case only
    {48, {{0xe4, 0}, {0xc4, Shift}}},
    {57, {{'n', 0}, {'N', Shift}}},
    {65, {{' ', 0}}},
    {94, {{'<', 0}, {'>', Shift}, {'|', Level3}}},
    {187, {{'(', 0}}},
    {18, {{'8', 0}, {'(', Shift}}},
});

// How the index types a character: "code+mods", a dead key and its base joined by " then ",
// or "none".
QString route(char32_t c, DeadKeyStyle style) {
    const auto place = [](const KeymapIndex::Place& p) {
        return QString("%1%2%3")
            .arg(p.code)
            .arg(p.modifiers & Shift ? "+S" : "")
            .arg(p.modifiers & Level3 ? "+3" : "");
    };
    if (const auto* p = kGerman.find(keySymOf(c))) return place(*p);
    if (const auto r = kGerman.deadKeyRoute(c, style))
        return place(r->dead) + " then " + place(r->base);
    return "none";
}

// "instance|class|program" as what such a target can be given.
QString traits(const QByteArray& input) {
    const QList<QByteArray> f = input.split('|');
    const TargetTraits t = targetTraits(f[0].toStdString(), f[1].toStdString(), f[2].toStdString());
    return QString("%1 %2 %3 %4")
        .arg(t.readsNewBindings ? "yes" : "no")
        .arg(uint(t.highestCharacter), 0, 16)
        .arg(t.deadKeys == DeadKeyStyle::Windows ? "windows" : "x11")
        .arg(t.dropsUnreadKeys ? "drops" : "keeps");
}

}  // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    // What each reader makes of its input: a keystroke text's strokes ("keys"), a command
    // line's words ("command"), how the German keymap types a character for an X or a
    // Windows target ("x keymap", "w keymap"), what a target can be given from its instance,
    // class and program ("target": new bindings / highest / dead keys / unread keys).
    void reads_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* kind, const QByteArray& input,
                            const QString& expected) {
            QTest::newRow(name) << kind << input << expected;
        };
        const auto keys = [&](const char* name, const QByteArray& text, const QString& expected) {
            row(name, "keys", text, expected);
        };
        keys("modifiers combine, once each; on tilde", "^+%x++a^~", "S+C+A+x S+a C+{ENTER}");
        keys("groups, nested, their modifiers combined; a bare group",
             "+(ab)c%(a^(bc)d)e^(a+b)(ab)", "S+a S+b c A+a C+A+b C+A+c A+d e C+a S+C+b a b");
        keys("names, aliases, any case; a braced letter and space",
             "{Enter}{bs}{BKSP}{BackSpace}{del}{Delete}{insert}{f1}{F16}{b}{ }",
             "{ENTER} {BS} {BS} {BS} {DEL} {DEL} {INS} {F1} {F16} b  ");
        keys("repeats", "{TAB 3}{a 02}x{a 0}{} 2}{{ 2}+{TAB 2}",
             "{TAB} {TAB} {TAB} a a x } } { { S+{TAB} S+{TAB}");
        keys("UTF-8", "é€ß+ü{ü 2}\xF0\x9F\x98\x80", "é € ß S+ü ü ü \xF0\x9F\x98\x80");
        keys("stray close brace", "ab}", "! '}' without a matching '{' at character 3");
        keys("F0", "{F0}", "! unknown key name \"F0\" at character 2");
        keys("F17", "{F17}", "! unknown key name \"F17\" at character 2");
        keys("count missing", "{TAB }", "! a repeat count is missing at character 6");
        keys("huge count", "{a 9999999999999}", "! the repeat count is above 10000 at character 4");
        // Ten repeats of 10000 pass; one key more is too many.
        keys("too many plain characters", QByteArray("{a 10000}").repeated(10) + "b",
             "! the text expands to more than 100000 keys at character 91");
        keys("bad UTF-8 byte", "ab\xFF", "! invalid UTF-8 byte at character 3");
        keys("truncated UTF-8", "é\xC3", "! truncated UTF-8 character at character 2");
        keys("overlong UTF-8", "\xC0\xAF", "! invalid UTF-8 sequence at character 1");
        // Found by fuzz_sendkeys: a NUL byte used to become a stroke of character 0.
        keys("NUL byte", QByteArray("%\x03\x00", 3), "! a NUL character at character 3");
        keys("NUL in braces", QByteArray("a{\x00}", 4), "! a NUL character at character 3");
        keys("deep nesting", QByteArray(65, '(') + "a" + QByteArray(65, ')'),
             "! groups nested too deeply at character 65");
        row("command line: blanks, quotes, joined parts, no expansion", "command",
            "  pr'o'g\"ram\" \t $HOME *.txt ~ 'a b' 'x\\y' '' \"a 'b' \\\"c\\\" \\x\" a\\ b \\' ",
            "<program><$HOME><*.txt><~><a b><x\\y><><a 'b' \"c\" \\x><a b><'>");
        row("command line: a Windows path keeps its backslashes", "command",
            "wine C:\\PMS\\pms.exe \\\\srv\\x C:\\Program\\ Files\\x a\\",
            "<wine><C:\\PMS\\pms.exe><\\srv\\x><C:\\Program Files\\x><a\\>");
        row("command line: unclosed quote", "command", "prog \"a",
            QString("error %1").arg(err::LaunchFailed));
        // The lowest keycode wins (the keypad's parentheses are past the main ones); AltGr
        // levels; the upper case of a one-level letter; dead keys with their base; the spacing
        // accents as each kind of target composes them.
        // clang-format off
        const char* keymap[][3] = {
            {"x", "@", "24+3"}, {"x", "Q", "24+S"}, {"x", "A", "38+S"}, {"x", "<", "94"},
            {"x", "(", "18+S"}, {"x", "|", "94+3"}, {"x", "~", "35+3"}, {"x", "\u00c4", "48+S"},
            {"x", "\u00e9", "21 then 26"}, {"x", "\u00c8", "21+S then 26+S"},
            {"x", "\u00ea", "49 then 26"}, {"x", "^", "49 then 65"}, {"w", "`", "21+S then 65"},
            {"x", "\u00b4", "21 then 21"}, {"w", "\u00b4", "21 then 65"}, {"x", "\u00f1", "none"},
            {"x", "\u0436", "none"}, {"x", "\u20ac", "none"}};
        // clang-format on
        for (const auto& [style, c, expected] : keymap)
            row(qPrintable(QString(style) + " keymap " + c),
                style[0] == 'w' ? "w keymap" : "x keymap", c, expected);
        // clang-format off
        const char* targets[][3] = {
            {"wine", "notepad.exe|notepad.exe|", "no 10ffff windows drops"},
            {"wine program", "PMS|PMS|wine64-preloader", "no 10ffff windows drops"},
            {"rdp", "xfreerdp|xfreerdp|xfreerdp", "no 10ffff windows keeps"},
            {"java", "Till|Till|java", "yes ffff x11 keeps"},
            {"chromium", "127.0.0.1|Chromium|chromium", "yes 10ffff x11 drops"},
            {"xterm", "xterm|XTerm|xterm", "yes 10ffff x11 keeps"}};
        // clang-format on
        for (const auto& [name, input, expected] : targets) row(name, "target", input, expected);
    }
    void reads() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, input);
        QFETCH(QString, expected);
        QCOMPARE(kind == "keys" || kind == "command" ? words(kind, input)
                 : kind == "target"
                     ? traits(input)
                     : route(QString::fromUtf8(input).toUcs4().front(),
                             kind[0] == 'w' ? DeadKeyStyle::Windows : DeadKeyStyle::X11),
                 expected);
    }

    // One word reaches the program, its $ and ; untouched by any shell; a program that
    // cannot start fails and leaves nothing running.
    void startsWithoutAShellAndReaps() {
        QTemporaryDir dir;
        ProcessLauncher launcher;
        launcher.launch(splitCommandLine("sh -c 'printf %s \"$0\" > " +
                                         dir.filePath("out").toStdString() + "' 'a b;$X'"));
        QTRY_VERIFY_WITH_TIMEOUT((launcher.reap(), launcher.running() == 0), 5000);
        QFile f(dir.filePath("out"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("a b;$X"));
        for (const char* line : {"no-such-program-here --flag", "/nonexistent/prog", "   "}) {
            QCOMPARE(errorOf([&] { launcher.launch(splitCommandLine(line)); }).number,
                     err::LaunchFailed);
            QCOMPARE(launcher.running(), std::size_t(0));
        }
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "TestPlatform.moc"
