#pragma once

#include <QDateTime>
#include <QWidget>

#include <functional>
#include <memory>

#include "PlaybackWiring.h"
#include "playback/PlaybackHost.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace nightaudit {

class LayoutCommands;
class NodeSelection;
class RunCommands;
class TaskStore;
class TaskTree;
class TeachMode;

// The main window: the task tree, the actions column and the special fields. It
// owns the one connection to the task store and the run state shared by the player,
// the runner and teach mode. Construction lays out the controls only; Form_Load
// opens the store and fills the window, and throws Error when the store cannot be
// opened or read (the caller reports it and ends the program).
class dlgMain : public QWidget, public PlaybackHost {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    // `storePath`: the task store file. `clock`: the local time (the system clock
    // when empty); tests fix it to make the audit day known.
    explicit dlgMain(const QString& storePath, Clock clock = {}, QWidget* parent = nullptr);
    ~dlgMain() override;

    // The task store file; relative report names are taken in its folder.
    const QString& storePath() const { return m_storePath; }

    void Form_Load();
    // Keeps the tree's height tied to the window's: window height - 600 twips.
    void Form_Resize();
    // Fills the special fields and dtAuditDay from the clock.
    void AdjustSpecials();

    // Window height in twips: the outer (frame) height where the platform reports a
    // frame, else the client height. Setting it keeps the frame's extra height, so
    // reading back gives the value set.
    int windowHeightTwips() const;
    void setWindowHeightTwips(int heightTwips);
    // Window width in twips, the same way: the frame's width where there is one.
    int windowWidthTwips() const;
    void setWindowWidthTwips(int widthTwips);
    static int screenHeightTwips();
    // What the window keeps free between its lower edge and the screen's bottom.
    static constexpr int kScreenBottomGapTwips = 400;
    // Puts the window's outer lower edge 400 twips above the screen's bottom, at the
    // screen's left border; a window taller than that room is made as tall as the room.
    void placeAtScreenBottom();

    // Replaces what runs and prints go through (see Collaborators). Refused with
    // Error(err::InvalidArgument) while a run is under way.
    void setCollaborators(Collaborators collaborators);
    PlaybackWiring& wiring() { return *m_wiring; }

    // Runs, forwarded to the selection runner and the player; they throw what those throw.
    void ExecuteSelected(std::int16_t intNodeIndexToRun);
    void RunTask(std::int16_t intNodeIndex);
    void RunKeySequence(std::int16_t intNodeIndex, std::int16_t intparmKeySequenceID = 0);
    bool isRunning() const;
    // Called by the wiring when a run has ended: a close asked for during it happens now.
    void runEnded();
    // SIGTERM, SIGHUP or SIGINT: closes the window as the window manager's close does, and
    // the journal names the signal.
    void closeForSignal(int signalNumber);

    // Event handlers. Each shows its own failures and never throws.
    void cmdSend_Click();    // Go
    void cmdSend2_Click();   // Go's twin
    void goFromNodeClick();  // Go pressed by a node click in single-click mode
    void Command8_Click();   // Next
    void TreeView1_NodeClick(int nodeIndex);
    void StartTeach();
    void TimerTeach_Timer();
    void Command10_Click();  // Teach Task
    void Command1_Click();
    void Command2_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command9_Click();
    void Command11_Click();

    TaskStore& store();  // throws Error(err::NotAvailable) before Form_Load opened it
    PlaybackState& state() { return m_state; }
    const PlaybackState& state() const { return m_state; }
    QDateTime dtAuditDay() const { return m_dtAuditDay; }

    TaskTree& tree() { return *m_tree; }
    const TaskTree& tree() const { return *m_tree; }
    QTreeWidget* TreeView1() const;
    QPushButton* cmdSend() const;
    QPushButton* cmdSend2() const;
    QPushButton* command(int number) const;  // Command1 ... Command11; null otherwise
    QCheckBox* Check1() const;
    QCheckBox* chbCompleteTask() const;
    QListWidget* lstLog() const;
    QLineEdit* dfnTeach() const;
    QTimer* TimerTeach() const;
    QPlainTextEdit* txtInstructions() const;
    QLabel* lblVersion() const;
    QLineEdit* special(int number) const;  // special1 ... special7; null otherwise
    QGroupBox* frame(int number) const;    // Frame1, Frame2, Frame3, Frame6; null otherwise

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

public slots:
    void Command3_Click();  // "+": expands every node
    void Command4_Click();  // "-": collapses every node

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Enter presses the focused button, or else Go (the window's default button).
    void keyPressEvent(QKeyEvent* event) override;
    // Sizes and places the window again once the window manager has framed it.
    bool event(QEvent* event) override;
    // Closing the window during a run stops the run; the window closes when it has ended.
    void closeEvent(QCloseEvent* event) override;

private:
    void applyStartingHeight();
    template <class T>
    T* child(const QString& name) const;

    QString m_storePath;
    Clock m_clock;
    std::unique_ptr<TaskStore> m_store;
    std::unique_ptr<TaskTree> m_tree;
    PlaybackState m_state;
    QDateTime m_dtAuditDay;
    std::unique_ptr<PlaybackWiring> m_wiring;
    std::unique_ptr<RunCommands> m_runs;
    std::unique_ptr<LayoutCommands> m_layout;
    std::unique_ptr<TeachMode> m_teach;    // from Form_Load on: it writes to the store
    NodeSelection* m_selection = nullptr;  // a child QObject of the window
    bool m_closeAfterRun = false;
    // The outer height to give the window once its frame is known (0: none pending).
    int m_framedHeightTwips = 0;
};

}  // namespace nightaudit
