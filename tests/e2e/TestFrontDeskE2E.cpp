#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "KeyTokens.h"
#include "e2e/PlayerOnX.h"
#include "support/InstantWaiter.h"

using namespace nightaudit;
using namespace nightaudit::test;

// The demo front desk on a real X server, typed into through the main window's Go: what
// it shows (its --echo copy) is also what the guide's preview says it shows.
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

private slots:
    void initTestCase() {
        m_frontDesk.start(QStringLiteral(NIGHTAUDIT_BINARY_DIR "/frontdesk"), {"--echo"});
        QTRY_VERIFY_WITH_TIMEOUT(m_session.managedTitles().contains("Front Desk"), 10000);
        m_window = showMainWindow(m_store, m_session);
        QVERIFY(m_window);
        Collaborators collaborators;
        collaborators.desktop = std::make_unique<X11Desktop>();
        collaborators.waiter = std::make_unique<InstantWaiter>(m_window->state());
        m_window->setCollaborators(std::move(collaborators));
    }
    void cleanupTestCase() {
        m_frontDesk.terminate();
        m_frontDesk.waitForFinished(5000);
    }

    void showsWhatThePlayerTypes_data() {
        QTest::addColumn<QString>("keys");   // rows of (keytype, keytext, waitbefore, waitafter)
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
            "DELETE FROM keys; INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype,"
            " keytext, waitbefore, waitafter) SELECT 20, row_number() OVER (), * FROM"
            " (VALUES " +
            keys.toStdString() + ");");
        m_frontDesk.readAllStandardOutput();
        m_window->selectNode(nodeOf(*m_window, 20));
        m_window->cmdSend()->click();
        QCOMPARE(m_window->caption(), QStringLiteral("Quillmar Night Audit"));
        QString seen;
        QDeadlineTimer deadline(5000);
        do {  // what the event loop has read already, then what is still on its way
            seen += QString::fromUtf8(m_frontDesk.readAllStandardOutput());
        } while (seen.size() < shown.size() &&
                 m_frontDesk.waitForReadyRead(int(deadline.remainingTime())));
        QTest::qWait(150);  // anything unexpected that follows shows up too
        QCOMPARE(seen + QString::fromUtf8(m_frontDesk.readAllStandardOutput()), shown);
        const QString text = keys.section('\'', 1, 1);
        if (!text.isEmpty()) QCOMPARE(frontdesk::tokensOf(text.toStdString()), shown.remove('\n'));
    }
};

int main(int argc, char** argv) {
    return runOnXSession<TestFrontDeskE2E>(argc, argv);
}
#include "TestFrontDeskE2E.moc"
