#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core/Error.h"
#include "platform/CommandLine.h"
#include "platform/ProcessLauncher.h"

using namespace nightaudit;

class TestProcessLauncher : public QObject {
    Q_OBJECT
private slots:
    void splitsLikeAShell_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("plain") << "prog a b" << QStringList{"prog", "a", "b"};
        QTest::newRow("extra blanks") << "  prog \t a  " << QStringList{"prog", "a"};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("single quotes") << "prog 'a b' 'x\\y'" << QStringList{"prog", "a b", "x\\y"};
        QTest::newRow("double quotes")
            << "prog \"a 'b' \\\"c\\\" \\x\"" << QStringList{"prog", "a 'b' \"c\" \\x"};
        QTest::newRow("backslash") << "prog a\\ b \\'" << QStringList{"prog", "a b", "'"};
        QTest::newRow("joined parts") << "pr'o'g\"ram\"" << QStringList{"program"};
        QTest::newRow("empty quotes are a word") << "prog ''" << QStringList{"prog", ""};
        QTest::newRow("no expansion")
            << "prog $HOME *.txt ~" << QStringList{"prog", "$HOME", "*.txt", "~"};
    }
    void splitsLikeAShell() {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        QStringList got;
        for (const auto& w : splitCommandLine(line.toStdString())) got << QString::fromStdString(w);
        QCOMPARE(got, words);
    }

    void refusesUnclosedQuotes_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("single") << "prog 'a";
        QTest::newRow("double") << "prog \"a";
        QTest::newRow("trailing backslash") << "prog a\\";
    }
    void refusesUnclosedQuotes() {
        QFETCH(QString, line);
        try {
            splitCommandLine(line.toStdString());
            QFAIL("accepted");
        } catch (const Error& e) {
            QCOMPARE(e.number(), err::LaunchFailed);
        }
    }

    void startsWithoutAShellAndReaps() {
        QTemporaryDir dir;
        const QString out = dir.filePath("out.txt");
        ProcessLauncher launcher;
        // The argument reaches the program as one word, its $ and ; untouched by any shell.
        launcher.launch("sh -c 'printf %s \"$0\" > " + out.toStdString() + "' 'a b;$X'");
        QTRY_VERIFY_WITH_TIMEOUT((launcher.reap(), launcher.running() == 0), 5000);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("a b;$X"));
    }

    void missingProgramFails_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("not on the path") << "no-such-program-here --flag";
        QTest::newRow("no such file") << "/nonexistent/prog";
        QTest::newRow("empty") << "   ";
    }
    void missingProgramFails() {
        QFETCH(QString, line);
        ProcessLauncher launcher;
        try {
            launcher.launch(line.toStdString());
            QFAIL("started");
        } catch (const Error& e) {
            QCOMPARE(e.number(), err::LaunchFailed);
        }
        QCOMPARE(launcher.running(), std::size_t(0));
    }
};

QTEST_GUILESS_MAIN(TestProcessLauncher)
#include "TestProcessLauncher.moc"
