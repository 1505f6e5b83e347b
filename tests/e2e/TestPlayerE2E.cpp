#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/Error.h"
#include "e2e/PlayerOnX.h"
#include "support/UnavailableReports.h"

// Xlib last: its None macro would clash with names in the headers above.
#include <X11/Xlib.h>

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const char* kRows = R"(
INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1), (11, 1, 'Manager', 'Night Manager', 1, 2);
INSERT INTO keysequence VALUES (20, 10, 'Keys', 1, ' ', 0, 0, 1), (21, 10, 'Pointer', 1, ' ', 0, 0, 2),
                               (30, 11, 'Missing', 1, ' ', 0, 0, 1);
INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, keypurpose, waitbefore, waitafter) VALUES
 (20, 1, 0, 'abc~', NULL, 0, 0),
 (20, 2, 0, '{TAB}+ab^a%x', NULL, 0, 0),
 (20, 3, 0, '{TAB 3}', NULL, 0, 0),
 (20, 4, 0, 'caf)"
                    "\xC3\xA9"
                    R"(', NULL, 0, 0),
 (20, 5, 1, 'special1', 'String Date', 0, 0),
 (20, 6, 8, 'x~', 'Back Office', 0, 0),
 (20, 7, 1, 'special2', NULL, 0, 0),
 (21, 1, 6, '', NULL, 100, 50),
 (21, 2, 5, '', NULL, 200, 60),
 (21, 3, 7, '', NULL, 300, 70),
 (30, 1, 0, 'q', NULL, 0, 0);
)";

const QString kCaption = QStringLiteral("Quillmar Night Audit");

// A window of the test's own connection that reports where the left button goes.
class ButtonWitness {
public:
    ButtonWitness() : m_display(XOpenDisplay(nullptr)) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.event_mask = ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
        m_window = XCreateWindow(m_display, DefaultRootWindow(m_display), 0, 0, 640, 480, 0,
                                 CopyFromParent, InputOutput, CopyFromParent,
                                 CWOverrideRedirect | CWEventMask, &attributes);
        XMapRaised(m_display, m_window);
        XEvent event;
        do {
            XWindowEvent(m_display, m_window, StructureNotifyMask, &event);
        } while (event.type != MapNotify);
    }
    ~ButtonWitness() {
        XDestroyWindow(m_display, m_window);
        XCloseDisplay(m_display);
    }
    QString seen(int count) {
        QStringList seen;
        QDeadlineTimer deadline(3000);
        XEvent event;
        while (seen.size() < count && !deadline.hasExpired()) {
            if (!XCheckWindowEvent(m_display, m_window, ButtonPressMask | ButtonReleaseMask,
                                   &event)) {
                QThread::msleep(10);
                continue;
            }
            seen << QString("%1 %2 %3,%4")
                        .arg(event.type == ButtonPress ? "press" : "release")
                        .arg(event.xbutton.button)
                        .arg(event.xbutton.x_root)
                        .arg(event.xbutton.y_root);
        }
        return seen.join("; ");
    }

private:
    Display* m_display;
    Window m_window = 0;
};

}  // namespace

class TestPlayerE2E : public QObject {
    Q_OBJECT
public:
    explicit TestPlayerE2E(XSession& session) : m_session(session) {}

private:
    XSession& m_session;
    TempStore m_store{kRows};
    QString m_frontDesk, m_backOffice;
    std::unique_ptr<dlgMain> m_window;
    std::unique_ptr<X11Desktop> m_desktop;
    std::unique_ptr<InstantWaiter> m_waiter;
    std::unique_ptr<ListRunLog> m_log;
    UnavailableReports m_reports;
    std::unique_ptr<KeySequencePlayer> m_player;

private slots:
    void initTestCase() {
        m_backOffice = m_session.startRecorder("Back Office");
        QVERIFY2(!m_backOffice.isEmpty(), qPrintable(m_session.error()));
        m_frontDesk = m_session.startRecorder("Front Desk");
        QVERIFY2(!m_frontDesk.isEmpty(), qPrintable(m_session.error()));
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
    }
    void init() { m_window->setCaption(kCaption); }

    void playsEveryKeyIntoItsWindow() {
        m_window->special(1)->setText("070705");
        m_window->special(2)->setText("Z9");
        const qint64 front = XSession::size(m_frontDesk);
        const qint64 back = XSession::size(m_backOffice);
        m_player->RunKeySequence(nodeOf(*m_window, 20));

        QCOMPARE(m_window->caption(), kCaption);  // the main window was found at the end
        const QByteArray expected =
            "abc\r\tAb\x01\x1bx\t\t\tcaf\xC3\xA9"
            "07/07/2005Z9";
        QCOMPARE(XSession::readFrom(m_frontDesk, front, expected.size()), expected);
        QCOMPARE(XSession::readFrom(m_backOffice, back, 2), QByteArray("x\r"));
        QCOMPARE(logLines(*m_window),
                 QStringList({"abc~", "{TAB}+ab^a%x", "{TAB 3}", QString::fromUtf8("caf\xC3\xA9"),
                              "07/07/2005", "Z9"}));
        QCOMPARE(m_window->state().intKeySequenceID, std::int16_t(20));
    }

    void goButtonPlaysTheSelectedNode() {
        Collaborators collaborators;
        collaborators.desktop = std::make_unique<X11Desktop>();
        collaborators.waiter = std::make_unique<InstantWaiter>(m_window->state());
        m_window->setCollaborators(std::move(collaborators));
        m_window->special(1)->setText("123199");
        m_window->special(2)->setText("");
        m_window->selectNode(nodeOf(*m_window, 20));
        const qint64 front = XSession::size(m_frontDesk);
        const qint64 back = XSession::size(m_backOffice);
        m_window->cmdSend()->click();
        QCOMPARE(m_window->caption(), kCaption);
        const QByteArray expected =
            "abc\r\tAb\x01\x1bx\t\t\tcaf\xC3\xA9"
            "12/31/2099";
        QCOMPARE(XSession::readFrom(m_frontDesk, front, expected.size()), expected);
        QCOMPARE(XSession::readFrom(m_backOffice, back, 2), QByteArray("x\r"));
    }

    void pointerKeysPressWhereTheyAreTold() {
        ButtonWitness witness;
        m_player->RunKeySequence(nodeOf(*m_window, 21));
        QCOMPARE(witness.seen(2), QString("press 1 100,50; release 1 300,70"));
        QCOMPARE(m_window->caption(), kCaption);
    }

    void missingWindowTypesNothingAnywhere() {
        const qint64 front = XSession::size(m_frontDesk);
        const qint64 back = XSession::size(m_backOffice);
        m_player->RunKeySequence(nodeOf(*m_window, 30));
        QCOMPARE(m_window->caption(),
                 QString("No window with the title \"Night Manager\" was found"));
        QCOMPARE(XSession::readFrom(m_frontDesk, front, 0), QByteArray());
        QCOMPARE(XSession::readFrom(m_backOffice, back, 0), QByteArray());
        QCOMPARE(logLines(*m_window), QStringList());
    }
};

int main(int argc, char** argv) {
    return runOnXSession<TestPlayerE2E>(argc, argv);
}
#include "TestPlayerE2E.moc"
