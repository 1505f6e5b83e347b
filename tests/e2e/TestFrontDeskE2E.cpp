#include <QProcess>
#include <QTest>

#include "KeyTokens.h"
#include "e2e/PlayerOnX.h"
#include "playback/UnavailableReports.h"

using namespace nightaudit;
using namespace nightaudit::test;

// The demo front desk on a real X server, typed into by the real player: what it shows
// (its --echo copy) is what the authoring guide's preview says it shows.
class TestFrontDeskE2E : public QObject {
    Q_OBJECT
public:
    explicit TestFrontDeskE2E(XSession& session) : m_session(session) {}

private:
    XSession& m_session;
    TempStore m_store{
        "INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);"
        "INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1);"
        "INSERT INTO keysequence VALUES (20, 10, 'Keys', 1, NULL, 0, 0, 1);"};
    QProcess m_frontDesk;
    std::unique_ptr<dlgMain> m_window;
    std::unique_ptr<X11Desktop> m_desktop;
    std::unique_ptr<InstantWaiter> m_waiter;
    std::unique_ptr<ListRunLog> m_log;
    UnavailableReports m_reports;
    std::unique_ptr<KeySequencePlayer> m_player;

private slots:
    void initTestCase() {
        m_frontDesk.start(QStringLiteral(NIGHTAUDIT_BINARY_DIR "/frontdesk"), {"--echo"});
        QVERIFY(m_frontDesk.waitForStarted());
        QDeadlineTimer deadline(10000);
        while (!m_session.managedTitles().contains("Front Desk") && !deadline.hasExpired())
            QTest::qWait(50);
        QVERIFY2(m_session.managedTitles().contains("Front Desk"), "the front desk did not open");
        m_window = showMainWindow(m_store, m_session);
        QVERIFY(m_window);
        m_desktop = std::make_unique<X11Desktop>();
        m_waiter = std::make_unique<InstantWaiter>(m_window->state());
        m_log = std::make_unique<ListRunLog>(*m_window->lstLog());
        m_player =
            std::make_unique<KeySequencePlayer>(m_window->store(), *m_desktop, *m_waiter, *m_log,
                                                *m_window, m_reports, m_window->state());
    }
    void cleanupTestCase() {
        m_player.reset();
        m_window.reset();
        m_frontDesk.terminate();
        m_frontDesk.waitForFinished(5000);
    }

    void showsWhatThePlayerTypes_data() {
        QTest::addColumn<QString>("keys");   // key rows: (keytype, keytext, waitbefore, waitafter)
        QTest::addColumn<QString>("shown");  // what the front desk writes
        QTest::newRow("Shift, Ctrl, Alt, Enter, Tab, F4")
            << "(0, '+ab^c%x~{TAB}+{TAB}{F4}+{F4}', 0, 0)"
            << QString::fromUtf8("Ab[Ctrl+C][Alt+X]⏎\n⇥[Shift+Tab][F4][Shift+F4]");
        QTest::newRow("named keys and braces")
            << "(0, '{BS}{ESC}{UP}{PGDN}{+}{~}{{}caf\xC3\xA9', 0, 0)"
            << QString::fromUtf8("[Backspace][Esc][Up][PgDown]+~{café");
        // The empty text brings the front desk forward; the click lands where it opens.
        QTest::newRow("a click") << "(0, '', 0, 0), (6, '', 200, 150), (7, '', 200, 150)"
                                 << "[Left down 200,150]\n[Left up 200,150]\n";
    }
    void showsWhatThePlayerTypes() {
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        m_store.exec(
            "DELETE FROM keys; INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext,"
            " waitbefore, waitafter) SELECT 20, row_number() OVER (), * FROM (VALUES " +
            keys.toStdString() + ");");
        m_frontDesk.readAllStandardOutput();
        m_player->RunKeySequence(nodeOf(*m_window, 20));
        QCOMPARE(m_window->caption(), QStringLiteral("Quillmar Night Audit"));
        QString seen;
        QDeadlineTimer deadline(5000);
        while (seen.size() < shown.size() && !deadline.hasExpired()) {
            m_frontDesk.waitForReadyRead(100);
            seen += QString::fromUtf8(m_frontDesk.readAllStandardOutput());
        }
        QCOMPARE(seen, shown);
        // The guide's preview of a keystroke text agrees with the real window.
        const QString text = keys.section('\'', 1, 1);
        if (!text.isEmpty()) QCOMPARE(frontdesk::tokensOf(text.toStdString()), shown.remove('\n'));
    }
};

int main(int argc, char** argv) {
    return runOnXSession<TestFrontDeskE2E>(argc, argv);
}
#include "TestFrontDeskE2E.moc"
