#include <QTest>

#include "core/Error.h"
#include "platform/SendKeysParser.h"
#include "support/ErrorOf.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// One readable word per stroke, "S+C+A+" before the key, so a whole parse compares at
// once; a text that fails gives "! " and its error's description after "Keystroke text: ".
QString describe(const QByteArray& text) {
    static const char* names[] = {
        "",    "BS",   "BREAK", "CAPS", "DEL",  "DOWN",  "END",   "ENTER",  "ESC", "HELP", "HOME",
        "INS", "LEFT", "NUM",   "PGDN", "PGUP", "PRTSC", "RIGHT", "SCROLL", "TAB", "UP",   "F1",
        "F2",  "F3",   "F4",    "F5",   "F6",   "F7",    "F8",    "F9",     "F10", "F11",  "F12",
        "F13", "F14",  "F15",   "F16",  "ADD",  "SUB",   "MUL",   "DIV"};
    QStringList words;
    const Thrown e = errorOf([&] {
        for (const auto& s : parseSendKeys(text.toStdString())) {
            QString w = QString(s.modifiers & Shift ? "S+" : "") +
                        (s.modifiers & Ctrl ? "C+" : "") + (s.modifiers & Alt ? "A+" : "");
            const char32_t c = s.character;
            words << w + (s.key == NamedKey::None ? QString::fromUcs4(&c, 1)
                                                  : QString("{%1}").arg(names[int(s.key)]));
        }
    });
    if (e.number == 0) return words.join(' ');
    if (e.number != err::KeySyntax) return QString("error %1").arg(e.number);
    return "! " + e.text.mid(QString("Keystroke text: ").size());
}

}  // namespace

class TestSendKeysParser : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("strokes");
        const auto row = [](const char* name, const QByteArray& text, const QString& strokes) {
            QTest::newRow(name) << text << strokes;
        };
        row("empty", "", "");
        row("plain, space, tilde is Enter", "ab 1~", "a b   1 {ENTER}");
        row("a modifier holds for one key", "+ab^c%f", "S+a b C+c A+f");
        row("modifiers combine, a repeated one once", "^+%x++a", "S+C+A+x S+a");
        row("groups, nested", "+(ab)c%(a^(bc)d)e", "S+a S+b c A+a C+A+b C+A+c A+d e");
        row("group modifiers combine", "^(a+b)", "C+a S+C+b");
        row("a bare group only groups", "(ab)", "a b");
        row("modifiers on tilde and names", "^~+{TAB}%{F4}", "C+{ENTER} S+{TAB} A+{F4}");
        row("names, aliases, any case",
            "{Enter}{bs}{BKSP}{BackSpace}{del}{Delete}{insert}{f1}{F16}",
            "{ENTER} {BS} {BS} {BS} {DEL} {DEL} {INS} {F1} {F16}");
        row("escapes", "{+}{^}{%}{~}{(}{)}{[}{]}{{}{}}", "+ ^ % ~ ( ) [ ] { }");
        row("bare brackets, a braced letter and space", "[a]{b}{ }", "[ a ] b  ");
        row("repeats", "{TAB 3}{a 02}x{a 0}{} 2}{{ 2}+{TAB 2}",
            "{TAB} {TAB} {TAB} a a x } } { { S+{TAB} S+{TAB}");
        row("a repeat of 10000", "{x 10000}", QStringList(10000, "x").join(' '));
        row("UTF-8", "é€ß+ü{ü 2}\xF0\x9F\x98\x80", "é € ß S+ü ü ü \xF0\x9F\x98\x80");
        QByteArray ascii, escaped;
        for (char c = ' '; c <= '~'; ++c) {
            const QByteArray ch(1, c);
            ascii += ch + ' ';
            escaped += QByteArray("+^%~(){}[]").contains(c) ? '{' + ch + '}' : ch;
        }
        ascii.chop(1);
        row("printable ASCII, the reserved characters braced", escaped, ascii);

        row("unclosed brace", "ab{ENTER", "! '{' is never closed at character 3");
        row("stray close brace", "ab}", "! '}' without a matching '{' at character 3");
        row("empty braces", "a{}b", "! empty braces '{}' at character 2");
        row("unclosed group", "x+(ab", "! '(' is never closed at character 3");
        row("stray close parenthesis", "ab)", "! ')' without a matching '(' at character 3");
        row("empty group", "+()", "! an empty group '()' at character 2");
        row("unknown name", "x{ENTRE}", "! unknown key name \"ENTRE\" at character 3");
        row("F0", "{F0}", "! unknown key name \"F0\" at character 2");
        row("F17", "{F17}", "! unknown key name \"F17\" at character 2");
        row("count not a number", "{TAB x}",
            "! the repeat count is not a whole number at character 6");
        row("negative count", "{TAB -1}",
            "! the repeat count is not a whole number at character 6");
        row("count missing", "{TAB }", "! a repeat count is missing at character 6");
        row("count above 10000", "{a 10001}", "! the repeat count is above 10000 at character 4");
        row("huge count", "{a 99999999999999999999}",
            "! the repeat count is above 10000 at character 4");
        row("name with two spaces", "{TAB 3 4}", "! unknown key name \"TAB 3\" at character 2");
        row("too many keys in all", QByteArray("{a 10000}").repeated(11),
            "! the text expands to more than 100000 keys at character 91");
        row("too many plain characters", QByteArray("{a 10000}").repeated(10) + "b",
            "! the text expands to more than 100000 keys at character 91");
        row("modifier at the end", "ab+^", "! a modifier with no key after it at character 3");
        row("modifier before close", "(a+)", "! a modifier with no key after it at character 3");
        row("bad UTF-8 byte", "ab\xFF", "! invalid UTF-8 byte at character 3");
        row("truncated UTF-8", "é\xC3", "! truncated UTF-8 character at character 2");
        row("bad continuation", "\xC3(", "! invalid UTF-8 sequence at character 1");
        row("overlong UTF-8", "\xC0\xAF", "! invalid UTF-8 sequence at character 1");
        row("surrogate", "\xED\xA0\x80", "! invalid UTF-8 sequence at character 1");
        // Found by fuzz_sendkeys: a NUL byte used to become a stroke of character 0.
        row("NUL byte", QByteArray("%\x03\x00", 3), "! a NUL character at character 3");
        row("NUL in braces", QByteArray("a{\x00}", 4), "! a NUL character at character 3");
        row("positions count characters", "éé}", "! '}' without a matching '{' at character 3");
        row("deep nesting", QByteArray(65, '(') + "a" + QByteArray(65, ')'),
            "! groups nested too deeply at character 65");
    }
    void parse() {
        QFETCH(QByteArray, text);
        QFETCH(QString, strokes);
        QCOMPARE(describe(text), strokes);
    }
};

QTEST_APPLESS_MAIN(TestSendKeysParser)
#include "TestSendKeysParser.moc"
