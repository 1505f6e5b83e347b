#include <QTest>

#include "KeyTokens.h"
#include "PlaybackRig.h"
#include "playback/Countdown.h"

using namespace nightaudit;
using namespace nightaudit::test;

// Every table in docs/authoring.md that follows a "<!-- checked: KIND -->" line is read
// here, row by row, and played: the guide's right-hand column must be what happens.
namespace {

std::string sqlText(const QString& cell) {
    if (cell == QLatin1String("Null")) return "NULL";
    return "'" + QString(cell).replace('\'', QLatin1String("''")).toStdString() + "'";
}

// Plays one key as the only key of key sequence 20 (task window "Front Desk"); key
// sequence 30 ("Back Office") holds the key ok~. Returns the trace without the final
// activation of the main window, or ending in "error: " and the caption.
QString play(const QStringList& key) {
    std::string rows = std::string(kTasks) +
                       "INSERT INTO keysequence VALUES (20, 10, 'Guide', 1, NULL, 0, 0, 1),"
                       " (30, 11, 'Nested', 1, NULL, 0, 0, 1);"
                       "INSERT INTO keys VALUES (1, 30, 1, 0, 'ok~', NULL, 0, 0);"
                       "INSERT INTO keys VALUES (2, 20, 1";
    for (const QString& cell : key) rows += ", " + sqlText(cell);
    PlaybackRig rig(rows + ");", {{"TS1"}, {"T10", 1}, {"KS20", 2}, {"T11", 1}, {"KS30", 4}},
                    false);
    rig.host.controls = {{"special1", "070705"}};
    rig.host.selected = 3;
    rig.player.RunKeySequence(0, 20);
    QString trace = QString::fromStdString(rig.trace).replace("mark(3)", "mark(selected)");
    const QString main = QStringLiteral("activate(Quillmar Night Audit) ");
    if (rig.host.captionText != QLatin1String("Quillmar Night Audit"))
        return trace + "error: " + rig.host.captionText;
    if (!trace.endsWith(main)) return trace + "(the main window was not activated)";
    return trace.chopped(main.size()).trimmed();
}

}  // namespace

class TestAuthoringGuide : public QObject {
    Q_OBJECT
private slots:
    void examples_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("cells");
        const QString guide = QString::fromStdString(
            readFile(QStringLiteral(NIGHTAUDIT_DATA_DIR "/../docs/authoring.md")));
        QMap<QString, int> perKind;
        QString kind;
        int line = 0, tableLine = 0;
        for (const QString& text : guide.split('\n')) {
            ++line;
            if (text.startsWith(QLatin1String("<!-- checked: "))) {
                kind = text.mid(14).chopped(4), tableLine = 0;
            } else if (!kind.isEmpty() && text.startsWith('|')) {
                if (++tableLine <= 2) continue;  // the header and its rule
                QStringList cells = text.split('|').mid(1, text.count('|') - 1);
                for (QString& cell : cells) cell = cell.remove('`').trimmed();
                QTest::addRow("%s, line %d: %s", qPrintable(kind), line, qPrintable(cells[0]))
                    << kind << cells;
                ++perKind[kind];
            } else {
                kind.clear();
            }
        }
        // A guide whose markers went missing would otherwise check nothing.
        QVERIFY(perKind.value("waits") >= 5 && perKind.value("keystrokes") >= 20);
        QVERIFY(perKind.value("key rows") >= 13);
    }
    void examples() {
        QFETCH(QString, kind);
        QFETCH(QStringList, cells);
        const QString expected = cells.last();
        if (kind == QLatin1String("waits")) {
            QCOMPARE(Countdown::secondsFor(cells[0].toInt()), expected.toInt());
        } else if (kind == QLatin1String("key rows")) {
            QCOMPARE(play(cells.mid(0, 5)), expected);
        } else if (kind == QLatin1String("keystrokes")) {
            const QString trace = play({"0", cells[0], "Null", "0", "0"});
            const qsizetype error = trace.indexOf(QLatin1String("error: "));
            if (error >= 0) {
                QCOMPARE("refused: " + trace.mid(error + 7), expected);
            } else {
                QVERIFY2(trace.endsWith("keys(" + cells[0] + ")"), qPrintable(trace));
                QCOMPARE(frontdesk::tokensOf(cells[0].toStdString()), expected);
            }
        } else {
            QFAIL(qPrintable("unknown kind of example: " + kind));
        }
    }
};

QTEST_GUILESS_MAIN(TestAuthoringGuide)
#include "TestAuthoringGuide.moc"
