// The real program types into real applications on a throwaway X session (Wine notepad,
// mousepad, Chromium, a Swing text area, a keyboard-grabbing stand-in for a remote desktop, an
// xterm), read back from each: a text arrives whole, or is refused before any key is typed.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTest>

#include "MainWindowOnX.h"  // Xlib with it, last
#include "apps/TypedText.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// How a target is read back (a document is emptied by ^a{DEL} before each text, and a saved one
// saved by ^s after it), and what it cannot receive.
enum class Reads { SavedFile, LiveFile, Appended };
enum class Limit { Anything, OffKeymap, AboveBmp };

struct Target {
    QString name, title;
    Reads reads;
    Limit limit;
    QString file;
    QStringList command, env;  // how the test starts it; none for the xterms
};

// Wine's environment on `prefix`, and one of its tools run there to its end, off the display.
QStringList wineEnv(const QString& prefix) {
    return {"WINEPREFIX=" + prefix, "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="};
}
void wineTool(const QString& prefix, const QStringList& command) {
    QProcess::execute("env", QStringList{"-u", "DISPLAY"} + wineEnv(prefix) + command);
}

}  // namespace

class TestRealApps : public QObject {
    Q_OBJECT
public:
    explicit TestRealApps(XSession& session) : m_session(session) {}

private:
    XSession& m_session;
    TempStore m_store{R"(
INSERT INTO tasksequence VALUES (1, 'Apps', NULL, 1, 1);
INSERT INTO task VALUES (10, 1, 'Target', '', 1, 1), (11, 1, 'Second', 'Second Desk', 1, 2);
INSERT INTO keysequence VALUES (1, 10, 'Text', 1, ' ', 0, 0, 1), (2, 11, 'Second', 1, ' ', 0, 0, 1);
INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, waitbefore, waitafter) VALUES
  (1, 1, 0, '', 0, 0), (2, 1, 0, 'ok~', 0, 0);
)"};
    std::unique_ptr<MainWindow> m_window;
    QList<Target> m_targets;
    QString m_second, m_prefix;

    QString file(const QString& name) const { return m_store.dir() + "/" + name; }
    // The test's own Wine prefix, booted once and kept in the build folder: a boot takes up
    // to a minute. It is booted aside and renamed, so an interrupted boot is never reused.
    QStringList bootedWine() {
        m_prefix = NIGHTAUDIT_BINARY_DIR "/wineprefix";
        if (!QFile::exists(m_prefix + "/system.reg")) {
            const QString fresh = m_prefix + ".new";
            QDir(fresh).removeRecursively();
            wineTool(fresh, {"wineboot", "-i"});
            wineTool(fresh, {"wineserver", "-w"});
            QDir(m_prefix).removeRecursively();
            QDir().rename(fresh, m_prefix);
        }
        return wineEnv(m_prefix);
    }
    void setKeys(const QString& title, const QString& keys, int waitAfter) {
        const auto quoted = [](QString text) {
            return "'" + text.replace('\'', "''").toStdString() + "'";
        };
        m_store.exec("UPDATE task SET WINDOWTITLE = " + quoted(title) +
                     " WHERE TASKID = 10; UPDATE keys SET keytext = " + quoted(keys) +
                     ", waitafter = " + std::to_string(waitAfter) + " WHERE KEYSEQUENCEID = 1");
    }
    void go(const QString& node) {
        m_window->setCaption(kCaption);
        pressGo(*m_window, node);
    }
    // Whether the keymap changed since the last call: the server tells an XKB client (as Xlib
    // is) by XKB events only. A new keyboard (XTest's device taking over) is no change.
    bool mappingChanged() {
        Display* x = m_session.x();
        int opcode, event, error, major = XkbMajorVersion, minor = XkbMinorVersion;
        XkbQueryExtension(x, &opcode, &event, &error, &major, &minor);
        XkbSelectEvents(x, XkbUseCoreKbd, XkbMapNotifyMask, XkbMapNotifyMask);
        XSync(x, False);
        bool changed = false;
        while (XPending(x)) {
            XEvent e;
            XNextEvent(x, &e);
            changed |= e.type == event &&
                       reinterpret_cast<const XkbAnyEvent*>(&e)->xkb_type == XkbMapNotify;
        }
        return changed;
    }

private slots:
    void initTestCase() {
        QVERIFY(QDir::setCurrent(m_store.dir()));
        m_second = m_session.startRecorder("Second Desk");
        const QString xterm = m_session.startRecorder("Front Desk");
        QVERIFY(!m_second.isEmpty() && !xterm.isEmpty());
        QProcess* server = m_session.spawn(
            "python3",
            {NIGHTAUDIT_SOURCE_DIR "/tests/e2e/apps/typed_page.py", "0", file("page.txt")}, true);
        QVERIFY(server->waitForReadyRead(10000));
        const QString page =
            "--app=http://127.0.0.1:" + QString::fromLatin1(server->readLine().trimmed()) + "/";
        // clang-format off
        m_targets = {
            {"remote desktop", "Remote Desk", Reads::Appended, Limit::OffKeymap, file("remote.bin"),
             {NIGHTAUDIT_BINARY_DIR "/tests/e2e/grabbing_client", "Remote Desk", file("remote.bin")}, {}},
            {"Java", "Typed Area", Reads::LiveFile, Limit::AboveBmp, file("java.txt"),
             {"java", "-cp", NIGHTAUDIT_BINARY_DIR "/tests/e2e", "TypedArea", "Typed Area", file("java.txt")}, {}},
            {"Chromium", "Typed Page", Reads::LiveFile, Limit::Anything, file("page.txt"),
             {"chromium", "--no-sandbox", "--user-data-dir=" + file("chromium"), "--no-first-run", "--disable-gpu", page}, {}},
            {"mousepad", file("mousepad.txt") + " - Mousepad", Reads::SavedFile, Limit::Anything, file("mousepad.txt"),
             {"dbus-run-session", "mousepad", file("mousepad.txt")}, {"NO_AT_BRIDGE=1"}},
            {"Wine notepad", "notepad.txt - Notepad", Reads::SavedFile, Limit::OffKeymap, file("notepad.txt"),
             {"wine", "C:\\windows\\system32\\notepad.exe", "Z:" + file("notepad.txt").replace('/', '\\')}, bootedWine()},
            {"xterm", "Front Desk", Reads::Appended, Limit::Anything, xterm, {}, {}},
            {"xterm, German", "Front Desk", Reads::Appended, Limit::Anything, xterm, {}, {}}};
        // clang-format on
        for (const auto& [name, bytes] : {std::pair<QString, QByteArray>{"mousepad.txt", ""},
                                          {"notepad.txt", "\xEF\xBB\xBF"}}) {
            QFile f(file(name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        // Each started once the last is listed (and has written its file, if it writes one).
        for (const Target& t : m_targets) {
            if (t.command.isEmpty()) continue;
            m_session.spawn(t.command[0], t.command.mid(1), false,
                            t.env + QStringList{"HOME=" + m_store.dir()});
            QVERIFY2(
                waitFor([&] { return m_session.lists(t.title) && QFile::exists(t.file); }, 60000),
                qPrintable(t.name + " did not start"));
        }
        m_window = openMainWindow(m_session, m_store);
        QVERIFY(m_window);
    }
    void cleanupTestCase() {
        m_session.run("setxkbmap", {"-layout", "us"});
        if (!m_prefix.isEmpty()) wineTool(m_prefix, {"wineserver", "-k"});
    }

    // Every target with every text (typed as keysOf), the xterm also under a German layout.
    void everyCharacterArrivesOrIsRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("chars");
        QTest::addColumn<bool>("waitAndSecondTask");
        QTest::addColumn<bool>("onLayout");  // every character on the layout in force
        const QString ascii = "Night audit 0123456789 ABCXYZ abcxyz\n" + kPunctuation + "\nend",
                      mixed = mix("abcdefghijklmnopqrstuvwxyz ABCXYZ 0123456789" + kPunctuation +
                                      QString::fromUtf8("éüßñçÅø€£¥Ωж中文✓"),
                                  2000);
        const struct {
            const char* name;
            QString chars;
            bool waitAndSecondTask;
        } texts[] = {
            {"ASCII", ascii, false},
            {"Unicode", QString::fromUtf8("é ü ß ñ ç Å ø € £ ¥ Ω ж 中文 ✓ 😀"), false},
            {"2 000 mixed", mixed, false},
            {"500 then a wait", mix("abcdefghijklmnopqrstuvwxyz 0123456789.,-", 500), true}};
        for (const QString name :
             {"Wine notepad", "mousepad", "Chromium", "Java", "remote desktop", "xterm"})
            for (const auto& t : texts)
                QTest::addRow("%s, %s", qPrintable(name), t.name)
                    << name << t.chars << t.waitAndSecondTask << (t.chars == ascii);
        for (const QString& chars : {QString::fromUtf8("@ € { } [ ] \\ | ~ ^ ´ ä ß"), ascii})
            QTest::addRow("xterm, German, %s", chars == ascii ? "ASCII" : "German")
                << "xterm, German" << chars << false << true;
    }
    void everyCharacterArrivesOrIsRefused() {
        QFETCH(QString, name);
        QFETCH(QString, chars);
        QFETCH(bool, waitAndSecondTask);
        QFETCH(bool, onLayout);
        const Target& t = *std::find_if(m_targets.begin(), m_targets.end(),
                                        [&](const Target& each) { return each.name == name; });
        const QString layout = name.endsWith("German") ? "de" : "us";
        QCOMPARE(m_session.run("setxkbmap", {"-layout", layout}), QByteArray());
        // What the target cannot receive: characters off the keymap (all but ASCII on the US
        // layout these targets started with), or those beyond 16 bits.
        QString refused;
        for (const uint c : chars.toUcs4())
            if ((t.limit == Limit::OffKeymap && c > 0x7e) ||
                (t.limit == Limit::AboveBmp && c > 0xffff))
                refused += QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        const bool savesFile = t.reads == Reads::SavedFile;
        setKeys(
            t.title,
            (t.reads != Reads::Appended ? "^a{DEL}" : "") + keysOf(chars) + (savesFile ? "^s" : ""),
            waitAndSecondTask ? 1500 : 0);
        const QByteArray before = bytesFrom(t.file, 0);
        const qint64 second = sizeOf(m_second);
        mappingChanged();
        // The wait after the text shows the countdown, which takes the focus from the target.
        go(waitAndSecondTask ? "TS1" : "KS1");
        const bool mapped = mappingChanged();

        const auto current = [&] {
            const QByteArray now = bytesFrom(t.file, 0);
            return normalized(t.reads == Reads::Appended ? now.mid(before.size()) : now);
        };
        if (!refused.isEmpty()) {
            // Every notice of the run, in full.
            const QString message = m_window->findChild<QLabel*>("Label17")->toolTip();
            // Nothing of the text was typed: a sentinel typed (and saved) now follows what the
            // document held before.
            if (savesFile) QFile::remove(t.file);
            setKeys(t.title, savesFile ? "#^s" : "#", 0);
            go("KS1");
            waitFor([&] { return current().endsWith('#'); });
            const QString got = current();
            QVERIFY2(std::any_of(refused.begin(), refused.end(),
                                 [&](QChar c) { return message.contains(c); }),
                     qPrintable(message + "\nthe target holds: " + got));
            QCOMPARE(got, (t.reads == Reads::Appended ? QString() : normalized(before)) + "#");
            return;
        }
        waitFor([&] { return current() == chars; }, 30000);
        QCOMPARE(current(), chars);
        QCOMPARE(m_window->caption(), kCaption);
        if (waitAndSecondTask)
            QCOMPARE(m_session.received("Second Desk", m_second, second), QByteArray("ok\r"));
        // Characters on the layout in force go through its own keys, AltGr and dead keys included.
        if (onLayout) QVERIFY2(!mapped, "the keyboard mapping changed");
    }
};

int main(int argc, char** argv) {
    return runOnXSession<QApplication, TestRealApps>(argc, argv);
}
#include "TestRealApps.moc"
