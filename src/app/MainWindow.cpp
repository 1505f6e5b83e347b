#include "MainWindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

#include "HandlerErrors.h"
#include "LayoutCommands.h"
#include "NodeSelection.h"
#include "RunCommands.h"
#include "TaskTree.h"
#include "WindowGeometry.h"
#include "core/Error.h"
#include "core/NodeKey.h"
#include "core/Rounding.h"
#include "core/Twips.h"
#include "editor/KeyEditor.h"
#include "specials/SpecialDates.h"
#include "store/LeadingNumber.h"
#include "store/Statements.h"
#include "store/TaskStore.h"
#include "teach/TeachMode.h"
#include "widgets/TextFitter.h"

namespace nightaudit {
namespace {

constexpr int kTreeBelowWindowTwips = 600;
constexpr int kMinTreeHeightTwips = 300;  // one row stays visible in a very low window
constexpr int kStartLogHeightTwips = 5715;
// Far beyond any screen; keeps a silly stored height from overflowing the geometry.
constexpr double kMaxHeightTwips = 1'000'000;

}  // namespace

MainWindow::MainWindow(const QString& storePath, Clock clock, QWidget* parent)
    : QWidget(parent), m_storePath(storePath), m_clock(std::move(clock)) {
    if (!m_clock) m_clock = [] { return QDateTime::currentDateTime(); };
    setObjectName(QStringLiteral("dlgMain"));
    setWindowTitle(QStringLiteral("Quillmar Night Audit"));
    resize(twipsToPixels(kDesignedWidthTwips), twipsToPixels(kDesignedHeightTwips));

    m_controls = buildMainControls(this, m_tree);
    const MainControls& c = m_controls;
    m_wiring = std::make_unique<PlaybackWiring>(
        RunViews{*this, *this, *m_tree, *c.log, *c.notice, *c.version}, m_session, m_state,
        m_storePath);
    m_runs = std::make_unique<RunCommands>(*this, c, *m_tree, *m_wiring, m_session, m_state);
    m_layout = std::make_unique<LayoutCommands>(*this, c, *m_tree->view());
    m_selection = std::make_unique<NodeSelection>(c, *m_tree, m_session, m_state);
    // Every window shown while this one lives (the dialogs too) gets its captions fitted.
    QCoreApplication::instance()->installEventFilter(new TextFitter(this));

    connect(m_selection.get(), &NodeSelection::runRequested, this,
            [this] { m_runs->go(RunTrigger::SingleClick); });
    connect(m_selection.get(), &NodeSelection::stopwatchToggled, this,
            &MainWindow::toggleStopwatch);
    connect(c.expandAll, &QPushButton::clicked, this, [this] { m_tree->expandAll(); });
    connect(c.collapseAll, &QPushButton::clicked, this, [this] { m_tree->collapseAll(); });
    connect(c.print, &QPushButton::clicked, this, &MainWindow::printWindow);
    connect(c.editKeys, &QPushButton::clicked, this, &MainWindow::editKeys);
    connect(c.teachTask, &QPushButton::clicked, this, &MainWindow::teachTask);
    // A close asked for during a run happens once the run has ended.
    connect(&m_session, &RunSession::ended, this, [this] {
        if (std::exchange(m_closeAfterRun, false))
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
}

MainWindow::~MainWindow() = default;

void MainWindow::load() {
    m_store = std::make_unique<TaskStore>(m_storePath.toStdString());
    m_wiring->setStore(*m_store);
    m_teach = std::make_unique<TeachMode>(*m_controls.teachTimer, *m_controls.teachCount, *m_store,
                                          m_state);
    const SpecialDates dates = SpecialDates::at(m_clock());
    fillSpecialFields(dates);
    m_tree->load(*m_store, dates.auditDay.date());
    m_tree->expandAll();
    if (m_tree->nodeCount() > 0) m_tree->ensureVisible(1);
    m_wiring->applyStoreSettings();
    applyStartingHeight();
    placeAtScreenBottom();
    // Before the window is shown its frame is unknown: the height set is the client's.
    // The window manager's frame comes on top; the outer height is set again then.
    if (frameGeometry().size() == size()) m_framedHeightTwips = outerHeightTwips(*this);
    QListWidget* log = m_controls.log;
    log->resize(log->width(), twipsToPixels(kStartLogHeightTwips));
    // The clerk starts in the tree: Enter then presses Go, not the first small button.
    m_tree->view()->setFocus();
    // A hidden window gets its resize event only when shown; the tree follows now.
    fitTreeToHeight();
}

// A height that reads as 0 or less would leave no window to see, and a Null value
// or no row says nothing: those keep the designed height.
void MainWindow::applyStartingHeight() {
    Cursor config = m_store->query(statements::startingHeightQuery());
    if (config.eof()) return;
    const Value entry = config.value("entryvalue");
    if (entry.isNull()) return;
    const double height = roundHalfEven(leadingNumber(entry.text()));
    if (height <= 0) return;
    setOuterHeightTwips(*this, static_cast<int>(std::min(height, kMaxHeightTwips)));
}

// special6 is not a date: it keeps its text (an amount from the no-show list).
void MainWindow::fillSpecialFields(const SpecialDates& dates) {
    const std::pair<int, const QString&> texts[] = {{1, dates.special1}, {2, dates.special2},
                                                    {3, dates.special3}, {4, dates.special4},
                                                    {5, dates.special5}, {7, dates.special7}};
    for (const auto& [number, text] : texts) m_controls.special(number)->setText(text);
}

void MainWindow::fitTreeToHeight() {
    if (!m_tree) return;  // resizes during construction come before the tree exists
    QTreeWidget* view = m_tree->view();
    const int height =
        std::max(outerHeightTwips(*this) - kTreeBelowWindowTwips, kMinTreeHeightTwips);
    view->resize(view->width(), twipsToPixels(height));
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitTreeToHeight();
}

// The window's outer lower edge above the screen's bottom, at the screen's left border;
// a window taller than that room is made as tall as the room.
void MainWindow::placeAtScreenBottom() {
    const int room = screenHeightTwips() - kScreenBottomGapTwips;
    if (room > 0 && outerHeightTwips(*this) > room) setOuterHeightTwips(*this, room);
    move(0, std::max(0, twipsToPixels(topAboveScreenBottomTwips(*this))));
}

bool MainWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (m_framedHeightTwips != 0 &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
        frameGeometry().size() != size()) {
        setOuterHeightTwips(*this, std::exchange(m_framedHeightTwips, 0));
        placeAtScreenBottom();
    }
    return handled;
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    // Go, or in the tree-only layout its twin, the one Go the clerk can see.
    QPushButton* go = m_controls.go->isVisibleTo(this) ? m_controls.go : m_controls.treeOnlyGo;
    QPushButton* target = focused && focused->isEnabled() ? focused : go;
    if (target->isEnabled() && target->isVisibleTo(this)) {
        target->click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::setCollaborators(Collaborators collaborators) {
    m_wiring->setCollaborators(std::move(collaborators));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_session.underWay()) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    m_closeAfterRun = true;
    m_wiring->stopRun();
}

void MainWindow::closeForSignal(int signalNumber) {
    m_wiring->closingForSignal(signalNumber);
    close();
}

void MainWindow::onGoClicked() {
    m_runs->go();
}
void MainWindow::onNextClicked() {
    m_runs->next();
}

// The stopwatch exists once the store is open; before that no node can be chosen.
void MainWindow::toggleStopwatch() {
    if (m_teach) m_teach->toggleStopwatch();
}

void MainWindow::teachTask() {
    reportingErrors(this, [this] {
        if (!m_teach) throw Error(err::NotAvailable, "The task store is not open");
        m_teach->teachTask();
    });
}

void MainWindow::printWindow() {
    reportingErrors(this, [this] { m_wiring->printer().print(*this); });
}

void MainWindow::editKeys() {
    reportingErrors(this, [this] {
        const int selected = m_tree->selectedIndex();
        const auto id = selected == 0
                            ? std::nullopt
                            : NodeKey::parse(m_tree->key(selected).toStdString()).keySequenceId();
        if (!id) {
            // A task's key holds a task id, not a key sequence id: editing by it would
            // show, and let the clerk rewrite, the keys of an unrelated key sequence.
            MessageBoxes::information(this, QStringLiteral("Edit Keys"),
                                      QStringLiteral("A key sequence must be selected in "
                                                     "the tree to edit its keys."));
            return;
        }
        KeyEditor editor(store(), *id, this);
        editor.exec();
    });
}

TaskStore& MainWindow::store() {
    if (!m_store) throw Error(err::NotAvailable, "The task store is not open");
    return *m_store;
}

int MainWindow::nodeCount() const {
    return m_tree->nodeCount();
}
QString MainWindow::nodeKey(int index) const {
    return m_tree->key(index);
}
void MainWindow::ensureNodeVisible(int index) {
    m_tree->ensureVisible(index);
}
void MainWindow::markNodePlayed(int index) {
    m_tree->markPlayed(index);
}
int MainWindow::selectedNodeIndex() const {
    return m_tree->selectedIndex();
}
void MainWindow::selectNode(int index) {
    m_tree->select(index);
}
int MainWindow::childCount(int index) const {
    return m_tree->childCount(index);
}
int MainWindow::firstChild(int index) const {
    return m_tree->firstChild(index);
}
int MainWindow::nextSibling(int index) const {
    return m_tree->nextSibling(index);
}
int MainWindow::nodeIndexForKey(const QString& key) const {
    return m_tree->indexOfKey(key);
}

QString MainWindow::caption() const {
    return windowTitle();
}
void MainWindow::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

// Stored keys name the controls they read and write: the one place a control is
// looked up by its name.
QString MainWindow::controlText(const QString& controlName) const {
    const QObject* c = controlName.isEmpty() ? nullptr : findChild<QObject*>(controlName);
    if (const auto* w = qobject_cast<const QLineEdit*>(c)) return w->text();
    if (const auto* w = qobject_cast<const QPlainTextEdit*>(c)) return w->toPlainText();
    if (const auto* w = qobject_cast<const QTextEdit*>(c)) return w->toPlainText();
    if (const auto* w = qobject_cast<const QLabel*>(c)) return w->text();
    if (const auto* w = qobject_cast<const QAbstractButton*>(c)) return w->text();
    if (const auto* w = qobject_cast<const QGroupBox*>(c)) return w->title();
    throw Error(err::NoSuchControl, "The main window has no control named \"" +
                                        controlName.toStdString() + "\" with a text");
}

void MainWindow::setControlText(const QString& controlName, const QString& text) {
    QObject* c = controlName.isEmpty() ? nullptr : findChild<QObject*>(controlName);
    if (auto* w = qobject_cast<QLineEdit*>(c)) return w->setText(text);
    if (auto* w = qobject_cast<QPlainTextEdit*>(c)) return w->setPlainText(text);
    if (auto* w = qobject_cast<QTextEdit*>(c)) return w->setPlainText(text);
    if (auto* w = qobject_cast<QLabel*>(c)) return w->setText(text);
    if (auto* w = qobject_cast<QAbstractButton*>(c)) return w->setText(text);
    if (auto* w = qobject_cast<QGroupBox*>(c)) return w->setTitle(text);
    throw Error(err::NoSuchControl, "The main window has no control named \"" +
                                        controlName.toStdString() + "\" with a text");
}

void MainWindow::processEvents() {
    QCoreApplication::processEvents();
}

}  // namespace nightaudit
