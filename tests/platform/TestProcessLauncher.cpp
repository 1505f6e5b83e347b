#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core/Error.h"
#include "platform/CommandLine.h"
#include "platform/ProcessLauncher.h"
#include "support/ErrorOf.h"

using namespace nightaudit;
using namespace nightaudit::test;

class TestProcessLauncher : public QObject {
    Q_OBJECT
private slots:
    // Each word in <>, or the number of the error.
    void splitsLikeAShell_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("words");
        const auto row = [](const char* name, const char* line, const QString& words) {
            QTest::newRow(name) << QString(line) << words;
        };
        row("plain, extra blanks", "  prog \t a  b ", "<prog><a><b>");
        row("empty", "", "");
        row("single quotes", "prog 'a b' 'x\\y' ''", "<prog><a b><x\\y><>");
        row("double quotes", "prog \"a 'b' \\\"c\\\" \\x\"", "<prog><a 'b' \"c\" \\x>");
        row("backslash", "prog a\\ b \\'", "<prog><a b><'>");
        row("joined parts", "pr'o'g\"ram\"", "<program>");
        row("no expansion", "prog $HOME *.txt ~", "<prog><$HOME><*.txt><~>");
        const QString failed = QString("error %1").arg(err::LaunchFailed);
        row("unclosed single quote", "prog 'a", failed);
        row("unclosed double quote", "prog \"a", failed);
        row("trailing backslash", "prog a\\", failed);
    }
    void splitsLikeAShell() {
        QFETCH(QString, line);
        QFETCH(QString, words);
        QString got;
        const Thrown e = errorOf([&] {
            for (const auto& w : splitCommandLine(line.toStdString()))
                got += "<" + QString::fromStdString(w) + ">";
        });
        QCOMPARE(e.number ? QString("error %1").arg(e.number) : got, words);
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

    void missingProgramFails() {
        for (const char* line : {"no-such-program-here --flag", "/nonexistent/prog", "   "}) {
            ProcessLauncher launcher;
            QCOMPARE(errorOf([&] { launcher.launch(line); }).number, err::LaunchFailed);
            QCOMPARE(launcher.running(), std::size_t(0));
        }
    }
};

QTEST_GUILESS_MAIN(TestProcessLauncher)
#include "TestProcessLauncher.moc"
