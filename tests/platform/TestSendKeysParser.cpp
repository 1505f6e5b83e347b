#include <QTest>

#include "core/Error.h"
#include "platform/SendKeysParser.h"

using namespace nightaudit;

namespace {

// One readable word per stroke, "S+C+A+" before the key, so a whole parse compares at once.
QString describe(const std::vector<KeyStroke>& strokes) {
    static const char* names[] = {
        "",    "BS",   "BREAK", "CAPS", "DEL",  "DOWN",  "END",   "ENTER",  "ESC", "HELP", "HOME",
        "INS", "LEFT", "NUM",   "PGDN", "PGUP", "PRTSC", "RIGHT", "SCROLL", "TAB", "UP",   "F1",
        "F2",  "F3",   "F4",    "F5",   "F6",   "F7",    "F8",    "F9",     "F10", "F11",  "F12",
        "F13", "F14",  "F15",   "F16",  "ADD",  "SUB",   "MUL",   "DIV"};
    QStringList words;
    for (const auto& s : strokes) {
        QString w;
        if (s.modifiers & Shift) w += "S+";
        if (s.modifiers & Ctrl) w += "C+";
        if (s.modifiers & Alt) w += "A+";
        if (s.key == NamedKey::None) {
            const char32_t c = s.character;
            w += QString::fromUcs4(&c, 1);
        } else {
            w += QString("{%1}").arg(names[static_cast<int>(s.key)]);
        }
        words << w;
    }
    return words.join(' ');
}

}  // namespace

class TestSendKeysParser : public QObject {
    Q_OBJECT
private slots:
    void syntax_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("plain") << "ab1"
                               << "a b 1";
        QTest::newRow("space") << "a b"
                               << "a   b";
        QTest::newRow("tilde is enter") << "a~"
                                        << "a {ENTER}";
        QTest::newRow("shift") << "+a"
                               << "S+a";
        QTest::newRow("ctrl") << "^c"
                              << "C+c";
        QTest::newRow("alt") << "%f"
                             << "A+f";
        QTest::newRow("modifier on one key only") << "+ab"
                                                  << "S+a b";
        QTest::newRow("modifiers combine") << "^+%x"
                                           << "S+C+A+x";
        QTest::newRow("repeated modifier") << "++a"
                                           << "S+a";
        QTest::newRow("shift group") << "+(ab)c"
                                     << "S+a S+b c";
        QTest::newRow("group modifiers combine") << "^(a+b)"
                                                 << "C+a S+C+b";
        QTest::newRow("nested groups") << "%(a^(bc)d)e"
                                       << "A+a C+A+b C+A+c A+d e";
        QTest::newRow("bare group") << "(ab)"
                                    << "a b";
        QTest::newRow("modifier on tilde") << "^~"
                                           << "C+{ENTER}";
        QTest::newRow("named keys") << "{ENTER}{TAB}{BS}{BKSP}{BACKSPACE}"
                                    << "{ENTER} {TAB} {BS} {BS} {BS}";
        QTest::newRow("more named keys") << "{BREAK}{CAPSLOCK}{DELETE}{DEL}{DOWN}{END}{ESC}"
                                         << "{BREAK} {CAPS} {DEL} {DEL} {DOWN} {END} {ESC}";
        QTest::newRow("and more") << "{HELP}{HOME}{INSERT}{INS}{LEFT}{NUMLOCK}{PGDN}{PGUP}"
                                  << "{HELP} {HOME} {INS} {INS} {LEFT} {NUM} {PGDN} {PGUP}";
        QTest::newRow("the rest")
            << "{PRTSC}{RIGHT}{SCROLLLOCK}{UP}{ADD}{SUBTRACT}{MULTIPLY}{DIVIDE}"
            << "{PRTSC} {RIGHT} {SCROLL} {UP} {ADD} {SUB} {MUL} {DIV}";
        QTest::newRow("function keys") << "{F1}{F9}{F10}{F16}"
                                       << "{F1} {F9} {F10} {F16}";
        QTest::newRow("names ignore case") << "{Enter}{tab}{f5}"
                                           << "{ENTER} {TAB} {F5}";
        QTest::newRow("modifier on named key") << "+{TAB}%{F4}"
                                               << "S+{TAB} A+{F4}";
        QTest::newRow("escapes") << "{+}{^}{%}{~}{(}{)}{[}{]}{{}{}}"
                                 << "+ ^ % ~ ( ) [ ] { }";
        QTest::newRow("bare brackets are characters") << "[a]"
                                                      << "[ a ]";
        QTest::newRow("braced letter") << "{a}"
                                       << "a";
        QTest::newRow("braced space") << "{ }"
                                      << " ";
        QTest::newRow("repeat named") << "{TAB 3}"
                                      << "{TAB} {TAB} {TAB}";
        QTest::newRow("repeat char") << "{a 5}"
                                     << "a a a a a";
        QTest::newRow("repeat zero") << "x{a 0}y"
                                     << "x y";
        QTest::newRow("repeat close brace") << "{} 2}"
                                            << "} }";
        QTest::newRow("repeat open brace") << "{{ 2}"
                                           << "{ {";
        QTest::newRow("repeat with modifier") << "+{TAB 2}"
                                              << "S+{TAB} S+{TAB}";
        QTest::newRow("repeat leading zero") << "{a 02}"
                                             << "a a";
        QTest::newRow("non-ascii") << "é€ß"
                                   << "é € ß";
        QTest::newRow("shifted non-ascii") << "+ü{ü 2}"
                                           << "S+ü ü ü";
        QTest::newRow("four-byte character") << "\xF0\x9F\x98\x80"
                                             << "\xF0\x9F\x98\x80";
    }
    void syntax() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(describe(parseSendKeys(text.toStdString())), expected);
    }

    void repeatCountsExactly() {
        const auto strokes = parseSendKeys("{x 10000}");
        QCOMPARE(strokes.size(), std::size_t(10000));
        QCOMPARE(strokes.back(), (KeyStroke{NamedKey::None, U'x', NoModifier}));
    }

    void errors_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("description");
        auto row = [](const char* name, const QByteArray& text, const char* what) {
            QTest::newRow(name) << text << QString("Keystroke text: %1").arg(what);
        };
        row("unclosed brace", "ab{ENTER", "'{' is never closed at character 3");
        row("lone open brace", "{", "'{' is never closed at character 1");
        row("stray close brace", "ab}", "'}' without a matching '{' at character 3");
        row("empty braces", "a{}b", "empty braces '{}' at character 2");
        row("empty braces at end", "{}", "empty braces '{}' at character 1");
        row("unclosed group", "x+(ab", "'(' is never closed at character 3");
        row("stray close parenthesis", "ab)", "')' without a matching '(' at character 3");
        row("empty group", "+()", "an empty group '()' at character 2");
        row("unknown name", "x{ENTRE}", "unknown key name \"ENTRE\" at character 3");
        row("F0", "{F0}", "unknown key name \"F0\" at character 2");
        row("F17", "{F17}", "unknown key name \"F17\" at character 2");
        row("count not a number", "{TAB x}",
            "the repeat count is not a whole number at character 6");
        row("negative count", "{TAB -1}", "the repeat count is not a whole number at character 6");
        row("count missing", "{TAB }", "a repeat count is missing at character 6");
        row("count too big", "{a 10001}", "the repeat count is above 10000 at character 4");
        row("huge count", "{a 99999999999999999999}",
            "the repeat count is above 10000 at character 4");
        row("name with two spaces", "{TAB 3 4}", "unknown key name \"TAB 3\" at character 2");
        row("too many strokes in all", QByteArray("{a 10000}").repeated(11),
            "the text expands to more than 100000 keys at character 91");
        row("modifier at end", "ab+", "a modifier with no key after it at character 3");
        row("modifiers at end", "ab^%", "a modifier with no key after it at character 3");
        row("modifier before close", "(a+)", "a modifier with no key after it at character 3");
        row("bad utf-8 byte", "ab\xFF", "invalid UTF-8 byte at character 3");
        row("truncated utf-8", "é\xC3", "truncated UTF-8 character at character 2");
        row("bad continuation", "\xC3(", "invalid UTF-8 sequence at character 1");
        row("overlong utf-8", "\xC0\xAF", "invalid UTF-8 sequence at character 1");
        row("surrogate", "\xED\xA0\x80", "invalid UTF-8 sequence at character 1");
        // Found by fuzz_sendkeys: a NUL byte used to become a stroke of character 0.
        row("nul byte", QByteArray("%\x03\x00", 3), "a NUL character at character 3");
        row("nul in braces", QByteArray("a{\x00}", 4), "a NUL character at character 3");
        row("position counts characters", "éé}", "'}' without a matching '{' at character 3");
        row("deep nesting", QByteArray(65, '(') + "a" + QByteArray(65, ')'),
            "groups nested too deeply at character 65");
    }
    void errors() {
        QFETCH(QByteArray, text);
        QFETCH(QString, description);
        try {
            parseSendKeys(text.toStdString());
            QFAIL("the text was accepted");
        } catch (const Error& e) {
            QCOMPARE(e.number(), err::KeySyntax);
            QCOMPARE(QString::fromStdString(e.description()), description);
        }
    }

    // Any printable ASCII text, with the characters the syntax reserves put in braces,
    // must come back as exactly its own characters, without modifiers.
    void escapedAsciiRoundTrips() {
        const std::string special = "+^%~(){}[]";
        std::string all;
        for (char c = ' '; c <= '~'; ++c) all += c;
        std::vector<std::string> texts{all, std::string(all.rbegin(), all.rend())};
        unsigned seed = 12345;
        for (int n = 0; n < 300; ++n) {
            std::string t;
            const int length = static_cast<int>((seed = seed * 1103515245 + 12345) >> 16) % 40;
            for (int i = 0; i < length; ++i) {
                seed = seed * 1103515245 + 12345;
                t += static_cast<char>(' ' + ((seed >> 16) % 95));
            }
            texts.push_back(t);
        }
        for (const auto& text : texts) {
            std::string escaped;
            for (char c : text) {
                if (special.find(c) != std::string::npos) {
                    escaped += std::string("{") + c + "}";
                } else {
                    escaped += c;
                }
            }
            const auto strokes = parseSendKeys(escaped);
            std::string back;
            for (const auto& s : strokes) {
                QCOMPARE(s.key, NamedKey::None);
                QCOMPARE(s.modifiers, unsigned(NoModifier));
                back += static_cast<char>(s.character);
            }
            QCOMPARE(QString::fromStdString(back), QString::fromStdString(text));
        }
    }
};

QTEST_APPLESS_MAIN(TestSendKeysParser)
#include "TestSendKeysParser.moc"
