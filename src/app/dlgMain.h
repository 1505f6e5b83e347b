#pragma once

#include <QDateTime>
#include <QWidget>

#include <functional>
#include <memory>

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

class TaskStore;
class TaskTree;

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
};

}  // namespace nightaudit
