#pragma once

// The real program on a throwaway X session: the main window (Form_Load on a temporary
// store) as the playback host, the real player and the X11 desktop. Qt draws on the
// session's server, so the player's last step (activating the main window by its caption)
// is real too.

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <memory>
#include <string>

#include "e2e/XSession.h"
#include "platform/X11Desktop.h"
#include "support/TempStore.h"

#include "app/dlgMain.h"

namespace nightaudit::test {

// Opens the main window on `rows` and shows it, waiting until the window manager has
// taken it on (only then can it be activated by its title).
inline std::unique_ptr<dlgMain> showMainWindow(const TempStore& store, XSession& session) {
    auto window = std::make_unique<dlgMain>(QString::fromStdString(store.path()));
    window->Form_Load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) return nullptr;
    QDeadlineTimer deadline(10000);
    while (!session.managedTitles().contains(window->caption())) {
        if (deadline.hasExpired()) return nullptr;
        QTest::qWait(50);
    }
    return window;
}

// The tree node of key sequence `id`, as the runner would pass it to the player.
inline std::int16_t nodeOf(const dlgMain& window, int id) {
    return static_cast<std::int16_t>(window.nodeIndexForKey(QString("KS%1").arg(id)));
}

// main() for tests that need Qt on the session's server: the server comes up first so
// that QApplication connects to it.
template <class Test>
int runOnXSession(int argc, char** argv) {
    XSession session;
    if (!session.start()) {
        std::fprintf(stderr, "FAIL: %s\n", qPrintable(session.error()));
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    int status = 0;
    {
        QApplication app(argc, argv);
        Test test(session);
        status = QTest::qExec(&test, argc, argv);
    }
    return status;
}

}  // namespace nightaudit::test
