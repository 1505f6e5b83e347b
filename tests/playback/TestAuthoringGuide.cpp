#include <QTest>

#include "KeyTokens.h"
#include "PlaybackRig.h"
#include "playback/Countdown.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// Plays `key` (keytype, keytext, keypurpose, waitbefore, waitafter; "Null" for Null) as
// the one key of key sequence 20, whose window is "Front Desk"; key sequence 30 ("Back
// Office") types ok~. The trace leaves out the main window's activation at the end; a
// failure ends it with "error: " and the caption.
QString play(const QStringList& key) {
    std::string rows = std::string(kTasks) +
                       "INSERT INTO keysequence VALUES (20, 10, 'Guide', 1, NULL, 0, 0, 1),"
                       " (30, 11, 'Nested', 1, NULL, 0, 0, 1);"
                       "INSERT INTO keys VALUES (1, 30, 1, 0, 'ok~', NULL, 0, 0), (2, 20, 1";
    for (QString cell : key)
        rows += cell == "Null" ? ", NULL" : ", '" + cell.replace('\'', "''").toStdString() + "'";
    PlaybackRig rig(rows + ");", {{"TS1"}, {"T10", 1}, {"KS20", 2}, {"T11", 1}, {"KS30", 4}},
                    false);
    rig.host.controls = {{"special1", "070705"}};
    rig.host.selected = 3;
    rig.player.RunKeySequence(0, 20);
    const QString trace = QString::fromStdString(rig.trace).replace("mark(3)", "mark(selected)");
    if (rig.host.captionText != "Quillmar Night Audit")
        return trace + "error: " + rig.host.captionText;
    return trace.chopped(trace.endsWith("activate(Quillmar Night Audit) ") ? 31 : 0).trimmed();
}

}  // namespace

// Every table of docs/authoring.md under a "<!-- checked: KIND -->" line, row by row:
// the right-hand column must be what the program does.
class TestAuthoringGuide : public QObject {
    Q_OBJECT
private slots:
    void examples_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("cells");
        const auto lines = QString::fromStdString(readFile(QStringLiteral(NIGHTAUDIT_DATA_DIR
                                                                          "/../docs/authoring.md")))
                               .split('\n');
        QString kind;
        int rowInTable = 0, rows = 0;
        for (int line = 0; line < lines.size(); ++line) {
            const QString& text = lines[line];
            if (text.startsWith("<!-- checked: ")) {
                kind = text.mid(14).chopped(4), rowInTable = 0;
            } else if (kind.isEmpty() || !text.startsWith('|')) {
                kind.clear();
            } else if (++rowInTable > 2) {  // after the header and its rule
                QStringList cells = text.split('|').mid(1, text.count('|') - 1);
                for (QString& cell : cells) cell = cell.remove('`').trimmed();
                QTest::addRow("%s, line %d", qPrintable(kind), line + 1) << kind << cells;
                ++rows;
            }
        }
        QVERIFY2(rows >= 45, "the guide's checked tables went missing");
    }
    void examples() {
        QFETCH(QString, kind);
        QFETCH(QStringList, cells);
        if (kind == "waits") {
            QCOMPARE(Countdown::secondsFor(cells[0].toInt()), cells[1].toInt());
        } else if (kind == "key rows") {
            QCOMPARE(play(cells.mid(0, 5)), cells[5]);
        } else {
            QCOMPARE(kind, QStringLiteral("keystrokes"));
            const QString trace = play({"0", cells[0], "Null", "0", "0"});
            const qsizetype error = trace.indexOf("error: ");
            if (error >= 0) {
                QCOMPARE("refused: " + trace.mid(error + 7), cells[1]);
            } else {
                QVERIFY2(trace.endsWith("keys(" + cells[0] + ")"), qPrintable(trace));
                QCOMPARE(frontdesk::tokensOf(cells[0].toStdString()), cells[1]);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestAuthoringGuide)
#include "TestAuthoringGuide.moc"
