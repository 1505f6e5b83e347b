// Plays one key sequence over and over through the real main window, player and X11
// desktop, until something ends the program: a child for tests that cut the display
// away in the middle of typing, or kill it. Arguments: the store file and the key sequence
// id. The run is journaled beside the store, as the program's own runs are.

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "app/dlgMain.h"
#include "platform/X11Desktop.h"
#include "playback/KeySequencePlayer.h"
#include "playback/RunJournal.h"
#include "playback/RunLog.h"
#include "support/InstantWaiter.h"
#include "support/UnavailableReports.h"

using namespace nightaudit;

namespace {
class NoRunLog : public RunLog {
public:
    void clear() override {}
    void append(const QString&) override {}
};
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) return 2;
    dlgMain window(QString::fromLocal8Bit(argv[1]));
    window.Form_Load();
    window.show();
    X11Desktop desktop;
    InstantWaiter waiter(window.state());
    NoRunLog log;
    UnavailableReports reports;
    RunJournal journal(QFileInfo(QString::fromLocal8Bit(argv[1])).dir().filePath("journal.log"), {},
                       {});
    journal.runStarted(RunTrigger::Go, QStringLiteral("KS") + argv[2], {});
    KeySequencePlayer player(window.store(), desktop, waiter, log, window, reports, window.state(),
                             &journal);
    const auto node = static_cast<std::int16_t>(
        window.nodeIndexForKey(QStringLiteral("KS") + QString::fromLocal8Bit(argv[2])));
    for (;;) {
        player.RunKeySequence(node);
        window.setCaption(QStringLiteral("Quillmar Night Audit"));
    }
}
