#pragma once

#include <QDateTime>
#include <QWidget>

#include <functional>
#include <memory>

#include "MainControls.h"
#include "PlaybackWiring.h"
#include "playback/PlaybackHost.h"
#include "playback/RunSession.h"

namespace nightaudit {

class LayoutCommands;
class NodeSelection;
class RunCommands;
struct SpecialDates;
class TaskStore;
class TaskTree;
class TeachMode;

// The main window: the task tree, the actions column and the special fields. It owns
// the one connection to the task store, the run session and the run state shared by
// the player, the runner and teach mode. Construction lays out the controls only; load()
// opens the store and fills the window, and throws Error when the store cannot be
// opened or read (the caller reports it and ends the program).
class MainWindow : public QWidget, public PlaybackHost {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    // `storePath`: the task store file. `clock`: the local time (the system clock
    // when empty); tests fix it to make the audit day known.
    explicit MainWindow(const QString& storePath, Clock clock = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The task store file; relative report names are taken in its folder.
    const QString& storePath() const { return m_storePath; }

    void load();

    // Replaces what runs and prints go through (see Collaborators). Refused with
    // Error(err::InvalidArgument) while a run is under way.
    void setCollaborators(Collaborators collaborators);
    // SIGTERM, SIGHUP or SIGINT: closes the window as the window manager's close does, and
    // the journal names the signal.
    void closeForSignal(int signalNumber);

    bool isRunning() const { return m_session.underWay(); }
    TaskStore& store();  // throws Error(err::NotAvailable) before load() opened it
    PlaybackState& state() { return m_state; }
    const PlaybackState& state() const { return m_state; }
    TaskTree& tree() { return *m_tree; }
    const TaskTree& tree() const { return *m_tree; }
    const MainControls& controls() const { return m_controls; }

    // Go and Next as their buttons press them; callable while the buttons are off.
    void onGoClicked();
    void onNextClicked();

    // PlaybackHost
    int nodeCount() const override;
    QString nodeKey(int index) const override;
    void ensureNodeVisible(int index) override;
    void markNodePlayed(int index) override;
    int selectedNodeIndex() const override;
    void selectNode(int index) override;
    int childCount(int index) const override;
    int firstChild(int index) const override;
    int nextSibling(int index) const override;
    int nodeIndexForKey(const QString& key) const override;
    QString caption() const override;
    void setCaption(const QString& caption) override;
    QString controlText(const QString& controlName) const override;
    void setControlText(const QString& controlName, const QString& text) override;
    void processEvents() override;

    static constexpr int kDesignedWidthTwips = 10515;
    static constexpr int kDesignedHeightTwips = 7815;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Enter presses the focused button, or else Go (the window's default button).
    void keyPressEvent(QKeyEvent* event) override;
    // Sizes and places the window again once the window manager has framed it.
    bool event(QEvent* event) override;
    // Closing the window during a run stops the run; the window closes when it has ended.
    void closeEvent(QCloseEvent* event) override;

private:
    void fillSpecialFields(const SpecialDates& dates);
    void fitTreeToHeight();
    void applyStartingHeight();
    void placeAtScreenBottom();
    void printWindow();
    void editKeys();
    void teachTask();
    void toggleStopwatch();

    QString m_storePath;
    Clock m_clock;
    std::unique_ptr<TaskStore> m_store;
    std::unique_ptr<TaskTree> m_tree;
    MainControls m_controls;
    PlaybackState m_state;
    RunSession m_session;
    std::unique_ptr<PlaybackWiring> m_wiring;
    // The parts go before the controls they watch: the tree emits selection changes
    // while Qt deletes it with the other children.
    std::unique_ptr<RunCommands> m_runs;
    std::unique_ptr<LayoutCommands> m_layout;
    std::unique_ptr<NodeSelection> m_selection;
    std::unique_ptr<TeachMode> m_teach;  // from load() on: it writes to the store
    bool m_closeAfterRun = false;
    // The outer height to give the window once its frame is known (0: none pending).
    int m_framedHeightTwips = 0;
};

}  // namespace nightaudit
