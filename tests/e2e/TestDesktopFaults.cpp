#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include "core/Error.h"
#include "e2e/PlayerOnX.h"
#include "report/DefaultPrinter.h"
#include "report/ReportImport.h"
#include "support/PdfFilePrinter.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

const QByteArray kReport =
    "Audit,Report,Night,01/02/24,Page,1\r\n"
    "PA0ARA 100.00 10.00\r\n"
    "PA0PRA 50.00 5.00\r\n";

// Waits that mark the moment a test makes the desktop fail between two keys.
constexpr std::int32_t kCloseTillA = 1111;
constexpr std::int32_t kDeleteReport = 2222;

std::string rows(const QString& reportFile) {
    const std::string report = reportFile.toStdString();
    return R"(
INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1), (12, 1, 'Till A', 'Till A', 1, 2),
                        (13, 1, 'Till B', 'Till B', 1, 3);
INSERT INTO keysequence VALUES (40, 12, 'closes between keys', 1, ' ', 0, 0, 1),
 (41, 13, 'closes while activated', 1, ' ', 0, 0, 1), (42, 10, 'no such program', 1, ' ', 0, 0, 1),
 (43, 10, 'report vanishes', 1, ' ', 0, 0, 2), (44, 10, 'printer fails', 1, ' ', 0, 0, 3);
INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, keypurpose, waitbefore, waitafter) VALUES
 (40, 1, 0, 'a', NULL, 0, 1111), (40, 2, 0, 'b', NULL, 0, 0), (40, 3, 0, 'c', NULL, 0, 0),
 (41, 1, 0, 'a', NULL, 0, 0), (41, 2, 0, 'b', NULL, 0, 0), (41, 3, 0, 'c', NULL, 0, 0),
 (42, 1, 2, '/nonexistent/pms-helper --night', NULL, 0, 0), (42, 2, 0, 'q', NULL, 0, 0),
 (43, 1, 0, 'a', NULL, 0, 2222), (43, 2, 9, ')" +
           report + R"(', NULL, 0, 0), (43, 3, 0, 'z', NULL, 0, 0),
 (44, 1, 9, ')" +
           report +
           R"(', NULL, 0, 0), (44, 2, 0, 'z', NULL, 0, 0);
)";
}

// The X11 desktop with a hook after each activation, to close a window at the worst moment.
class HookedDesktop : public Desktop {
public:
    explicit HookedDesktop(Desktop& real) : m_real(real) {}
    std::function<void(const std::string&)> afterActivate;

    void activate(const std::string& title) override {
        m_real.activate(title);
        if (afterActivate) afterActivate(title);
    }
    void sendKeys(const std::string& keys) override { m_real.sendKeys(keys); }
    void launch(const std::string& commandLine) override { m_real.launch(commandLine); }
    void setPointer(int x, int y) override { m_real.setPointer(x, y); }
    void leftButton(bool down) override { m_real.leftButton(down); }

private:
    Desktop& m_real;
};

// Hands each print to whichever printer the test put in.
class SwitchPrinter : public Printer {
public:
    std::shared_ptr<std::unique_ptr<Printer>> current =
        std::make_shared<std::unique_ptr<Printer>>();
    void print(QWidget& page) override {
        if (!*current) throw Error(err::PrintFailed, "no printer in the test");
        (*current)->print(page);
    }
};

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

}  // namespace

class TestDesktopFaults : public QObject {
    Q_OBJECT
public:
    explicit TestDesktopFaults(XSession& session) : m_session(session) {
        // No print server to ask: the default printer is gone, as when CUPS stops.
        qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    }

private:
    XSession& m_session;
    QTemporaryDir m_files;
    QString m_report;
    std::unique_ptr<TempStore> m_store;
    std::map<QString, QString> m_recorders;  // title -> file
    std::unique_ptr<dlgMain> m_window;
    std::unique_ptr<X11Desktop> m_x11;
    std::unique_ptr<HookedDesktop> m_desktop;
    std::unique_ptr<InstantWaiter> m_waiter;
    std::unique_ptr<ListRunLog> m_log;
    std::shared_ptr<std::unique_ptr<Printer>> m_printer;
    std::unique_ptr<ReportImport> m_reports;
    std::unique_ptr<KeySequencePlayer> m_player;
    std::map<QString, qint64> m_sizes;

    // Plays key sequence `id` and returns the caption it left.
    QString play(int id) {
        m_sizes.clear();
        for (const auto& [title, file] : m_recorders) m_sizes[title] = XSession::size(file);
        m_player->RunKeySequence(nodeOf(*m_window, id));
        return m_window->caption();
    }
    // What the window titled `title` received during the last play().
    QByteArray received(const QString& title, qint64 expected = 0) {
        if (!m_recorders.count(title)) return "(no such recorder)";
        return XSession::readFrom(m_recorders[title], m_sizes[title], expected);
    }
    // Closes the window once the terminal has passed on the key typed before, which a
    // killed terminal would otherwise take with it.
    void close(const QString& title) {
        received(title, 1);
        QVERIFY(m_session.closeWindow(title));
    }
    void closeOnWait(std::int32_t marker, const QString& title) {
        m_waiter->setObserver([this, marker, title](std::int32_t ms) {
            if (ms == marker) close(title);
        });
    }

private slots:
    void initTestCase() {
        for (const char* title : {"Other Desk", "Front Desk", "Till A", "Till B"}) {
            const QString file = m_session.startRecorder(title);
            QVERIFY2(!file.isEmpty(), qPrintable(m_session.error()));
            m_recorders[title] = file;
        }
        m_report = m_files.filePath("audit_report.txt");
        m_store = std::make_unique<TempStore>(rows(m_report));
        m_window = showMainWindow(*m_store, m_session);
        QVERIFY(m_window);
        m_x11 = std::make_unique<X11Desktop>();
        m_desktop = std::make_unique<HookedDesktop>(*m_x11);
        m_waiter = std::make_unique<InstantWaiter>(m_window->state());
        m_log = std::make_unique<ListRunLog>(*m_window->lstLog());
        auto printer = std::make_unique<SwitchPrinter>();
        m_printer = printer->current;
        m_reports = std::make_unique<ReportImport>(std::move(printer), *m_window);
        m_player =
            std::make_unique<KeySequencePlayer>(m_window->store(), *m_desktop, *m_waiter, *m_log,
                                                *m_window, *m_reports, m_window->state());
    }
    void cleanupTestCase() {
        m_player.reset();
        m_window.reset();
    }
    void init() {
        m_window->setCaption("Quillmar Night Audit");
        m_window->state().bolStop = false;
        m_waiter->setObserver({});
        m_desktop->afterActivate = {};
    }

    void windowClosedBetweenKeys() {
        closeOnWait(kCloseTillA, "Till A");
        QCOMPARE(play(40), QString("No window with the title \"Till A\" was found"));
        QCOMPARE(received("Till A", 1), QByteArray("a"));
        QCOMPARE(received("Front Desk"), QByteArray());
        QCOMPARE(received("Other Desk"), QByteArray());
        QCOMPARE(logLines(*m_window), QStringList({"a"}));
    }

    // The worst moment: activated, then gone before the keys; the focus falls to some
    // other window, which must not get them.
    void windowClosedAfterActivation() {
        int activations = 0;
        m_desktop->afterActivate = [&](const std::string& title) {
            if (title == "Till B" && ++activations == 4) close("Till B");
        };
        QCOMPARE(play(41),
                 QString("The input focus is not on the window \"Till B\"; nothing was typed"));
        QCOMPARE(received("Till B", 1), QByteArray("a"));
        QCOMPARE(received("Front Desk"), QByteArray());
        QCOMPARE(received("Other Desk"), QByteArray());
        QCOMPARE(logLines(*m_window), QStringList({"a"}));
    }

    void programThatCannotStart() {
        const QString caption = play(42);
        QVERIFY2(caption.contains("/nonexistent/pms-helper"), qPrintable(caption));
        QCOMPARE(received("Front Desk"), QByteArray());
        QCOMPARE(logLines(*m_window), QStringList());
    }

    void reportVanishesBetweenKeys() {
        writeReport();
        *m_printer = std::make_unique<PdfFilePrinter>(m_files.filePath("page.pdf"));
        m_waiter->setObserver([this](std::int32_t ms) {
            if (ms == kDeleteReport) QVERIFY(QFile::remove(m_report));
        });
        const QString caption = play(43);
        QVERIFY2(caption.contains(m_report), qPrintable(caption));
        QCOMPARE(received("Front Desk", 1), QByteArray("a"));
        QVERIFY(!QFile::exists(m_files.filePath("page.pdf")));
    }

    void printerFailsAndTheReportStays_data() {
        QTest::addColumn<QString>("printer");
        QTest::newRow("no default printer") << "default";
        QTest::newRow("output cannot be written") << "pdf";
    }
    void printerFailsAndTheReportStays() {
        QFETCH(QString, printer);
        writeReport();
        if (printer == "default") {
            *m_printer = std::make_unique<DefaultPrinter>();
        } else {
            *m_printer = std::make_unique<PdfFilePrinter>("/nonexistent-folder/page.pdf");
        }
        const QString caption = play(44);
        QVERIFY2(caption.startsWith("Printing failed"), qPrintable(caption));
        QCOMPARE(fileBytes(m_report), kReport);
        QCOMPARE(received("Front Desk"), QByteArray());
    }

private:
    void writeReport() {
        QFile f(m_report);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kReport);
    }
};

int main(int argc, char** argv) {
    return runOnXSession<TestDesktopFaults>(argc, argv);
}
#include "TestDesktopFaults.moc"
