// Plays one key sequence over and over through the real main window, player and X11 desktop,
// journaled beside the store as the program's runs are, until something ends the program:
// a child for tests that take its display away or kill it. Arguments: store, key sequence id.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>

#include "app/ListRunLog.h"
#include "app/dlgMain.h"
#include "platform/X11Desktop.h"
#include "playback/KeySequencePlayer.h"
#include "playback/RunJournal.h"
#include "support/InstantWaiter.h"
#include "support/UnavailableReports.h"

using namespace nightaudit;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) return 2;
    const QString store = QString::fromLocal8Bit(argv[1]), node = QStringLiteral("KS") + argv[2];
    dlgMain window(store);
    window.Form_Load();
    window.show();
    X11Desktop desktop;
    InstantWaiter waiter(window.state());
    QListWidget list;
    ListRunLog log(list);
    UnavailableReports reports;
    RunJournal journal(QFileInfo(store).dir().filePath("journal.log"), {}, {});
    journal.runStarted(RunTrigger::Go, node, {});
    KeySequencePlayer player(window.store(), desktop, waiter, log, window, reports, window.state(),
                             &journal);
    for (;;) {
        player.RunKeySequence(static_cast<std::int16_t>(window.nodeIndexForKey(node)));
        window.setCaption(QStringLiteral("Quillmar Night Audit"));
    }
}
