#include "dlgMain.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

#include "ControlFactory.h"
#include "HandlerErrors.h"
#include "LayoutCommands.h"
#include "MainWindowParts.h"
#include "NodeSelection.h"
#include "RunCommands.h"
#include "TaskTree.h"
#include "core/Error.h"
#include "core/Rounding.h"
#include "core/Twips.h"
#include "specials/SpecialDates.h"
#include "store/LeadingNumber.h"
#include "store/Statements.h"
#include "store/TaskStore.h"
#include "teach/TeachMode.h"
#include "widgets/TextFitter.h"

namespace nightaudit {
namespace {

constexpr int kScreenBottomGapTwips = 400;
constexpr int kTreeBelowWindowTwips = 600;
constexpr int kMinTreeHeightTwips = 300;  // one row stays visible in a very low window
constexpr int kStartLogHeightTwips = 5715;
// Far beyond any screen; keeps a silly stored height from overflowing the geometry.
constexpr double kMaxHeightTwips = 1'000'000;

}  // namespace

dlgMain::dlgMain(const QString& storePath, Clock clock, QWidget* parent)
    : QWidget(parent), m_storePath(storePath), m_clock(std::move(clock)) {
    if (!m_clock) m_clock = [] { return QDateTime::currentDateTime(); };
    setObjectName(QStringLiteral("dlgMain"));
    setWindowTitle(QStringLiteral("Quillmar Night Audit"));
    resize(twipsToPixels(kDesignedWidthTwips), twipsToPixels(kDesignedHeightTwips));

    buildActionsFrame(this);
    m_tree = buildTasksFrame(this).tree;
    controls::label(this, "lblVersion", QStringLiteral("Version"), 2325, 7530, 1680, 225);
    controls::label(this, "Label17", QStringLiteral("Keys type into live windows"), 150, 7530, 1980,
                    195);

    m_wiring = std::make_unique<PlaybackWiring>(*this, Collaborators{});
    m_runs = std::make_unique<RunCommands>(*this);
    m_layout = std::make_unique<LayoutCommands>(*this);
    m_selection = new NodeSelection(*this, *m_runs);
    // Every window shown while this one lives (the dialogs too) gets its captions fitted.
    QCoreApplication::instance()->installEventFilter(new TextFitter(this));

    const std::pair<QPushButton*, void (dlgMain::*)()> handlers[] = {
        {command(3), &dlgMain::Command3_Click},  {command(4), &dlgMain::Command4_Click},
        {cmdSend(), &dlgMain::cmdSend_Click},    {cmdSend2(), &dlgMain::cmdSend2_Click},
        {command(8), &dlgMain::Command8_Click},  {command(10), &dlgMain::Command10_Click},
        {command(1), &dlgMain::Command1_Click},  {command(2), &dlgMain::Command2_Click},
        {command(5), &dlgMain::Command5_Click},  {command(6), &dlgMain::Command6_Click},
        {command(7), &dlgMain::Command7_Click},  {command(9), &dlgMain::Command9_Click},
        {command(11), &dlgMain::Command11_Click}};
    for (const auto& [button, handler] : handlers) {
        connect(button, &QPushButton::clicked, this, handler);
    }
}

// The tree emits selection changes while Qt deletes it with the other children; the
// selection handler must be gone by then, since the commands it calls are.
dlgMain::~dlgMain() {
    delete m_selection;
}

void dlgMain::Form_Load() {
    m_store = std::make_unique<TaskStore>(m_storePath.toStdString());
    m_teach = std::make_unique<TeachMode>(*TimerTeach(), *dfnTeach(), *m_store, m_state);
    AdjustSpecials();
    m_tree->load(*m_store, m_dtAuditDay.date());
    Command3_Click();
    if (m_tree->nodeCount() > 0) m_tree->ensureVisible(1);
    lblVersion()->setText(QStringLiteral("Version: " NIGHTAUDIT_VERSION));
    m_wiring->applyStoreSettings();
    applyStartingHeight();
    placeAtScreenBottom();
    // Before the window is shown its frame is unknown: the height set is the client's.
    // The window manager's frame comes on top; the outer height is set again then.
    if (frameGeometry().size() == size()) m_framedHeightTwips = windowHeightTwips();
    lstLog()->resize(lstLog()->width(), twipsToPixels(kStartLogHeightTwips));
    // The clerk starts in the tree: Enter then presses Go, not the first small button.
    TreeView1()->setFocus();
    // A hidden window gets its resize event only when shown; the tree follows now.
    Form_Resize();
}

// A height that reads as 0 or less would leave no window to see, and a Null value
// or no row says nothing: those keep the designed height.
void dlgMain::applyStartingHeight() {
    Cursor config = m_store->query(statements::startingHeightQuery());
    if (config.eof()) return;
    const Value entry = config.value("entryvalue");
    if (entry.isNull()) return;
    const double height = roundHalfEven(leadingNumber(entry.text()));
    if (height <= 0) return;
    setWindowHeightTwips(static_cast<int>(std::min(height, kMaxHeightTwips)));
}

void dlgMain::AdjustSpecials() {
    const SpecialDates dates = SpecialDates::at(m_clock());
    m_dtAuditDay = dates.dtAuditDay;
    special(1)->setText(dates.special1);
    special(2)->setText(dates.special2);
    special(3)->setText(dates.special3);
    special(5)->setText(dates.special5);
    special(7)->setText(dates.special7);
    // Read back from the field, as keys do: the day of the month is its 3rd and 4th characters.
    special(4)->setText(special(1)->text().mid(2, 2));
}

void dlgMain::Form_Resize() {
    if (!m_tree) return;  // resizes during construction come before the tree exists
    QTreeWidget* view = m_tree->view();
    const int height = std::max(windowHeightTwips() - kTreeBelowWindowTwips, kMinTreeHeightTwips);
    view->resize(view->width(), twipsToPixels(height));
}

void dlgMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void dlgMain::placeAtScreenBottom() {
    const int room = screenHeightTwips() - kScreenBottomGapTwips;
    if (room > 0 && windowHeightTwips() > room) setWindowHeightTwips(room);
    move(0, std::max(0, twipsToPixels(room - windowHeightTwips())));
}

bool dlgMain::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (m_framedHeightTwips != 0 &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
        frameGeometry().size() != size()) {
        const int height = std::exchange(m_framedHeightTwips, 0);
        setWindowHeightTwips(height);
        placeAtScreenBottom();
    }
    return handled;
}

void dlgMain::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    // Go, or in the tree-only layout its twin, the one Go the clerk can see.
    QPushButton* go = cmdSend()->isVisibleTo(this) ? cmdSend() : cmdSend2();
    QPushButton* target = focused && focused->isEnabled() ? focused : go;
    if (target->isEnabled() && target->isVisibleTo(this)) {
        target->click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

int dlgMain::windowHeightTwips() const {
    return pixelsToTwips(frameGeometry().height());
}

void dlgMain::setWindowHeightTwips(int heightTwips) {
    const int frameExtra = frameGeometry().height() - height();
    resize(width(), std::max(1, twipsToPixels(heightTwips) - frameExtra));
}

int dlgMain::windowWidthTwips() const {
    return pixelsToTwips(frameGeometry().width());
}

void dlgMain::setWindowWidthTwips(int widthTwips) {
    const int frameExtra = frameGeometry().width() - width();
    resize(std::max(1, twipsToPixels(widthTwips) - frameExtra), height());
}

int dlgMain::screenHeightTwips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? pixelsToTwips(screen->geometry().height()) : 0;
}

void dlgMain::setCollaborators(Collaborators collaborators) {
    if (isRunning()) {
        throw Error(err::InvalidArgument, "The desktop cannot be changed while a run is under way");
    }
    m_wiring = std::make_unique<PlaybackWiring>(*this, std::move(collaborators));
}

void dlgMain::ExecuteSelected(std::int16_t intNodeIndexToRun) {
    m_wiring->ExecuteSelected(intNodeIndexToRun);
}
void dlgMain::RunTask(std::int16_t intNodeIndex) {
    m_wiring->RunTask(intNodeIndex);
}
void dlgMain::RunKeySequence(std::int16_t intNodeIndex, std::int16_t intparmKeySequenceID) {
    m_wiring->RunKeySequence(intNodeIndex, intparmKeySequenceID);
}
bool dlgMain::isRunning() const {
    return m_runs->isRunning() || m_wiring->runUnderWay();
}

void dlgMain::closeEvent(QCloseEvent* event) {
    if (!m_wiring->runUnderWay()) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    m_closeAfterRun = true;
    m_wiring->stopRun();
}

void dlgMain::closeForSignal(int signalNumber) {
    m_wiring->closingForSignal(signalNumber);
    close();
}

void dlgMain::runEnded() {
    if (!m_closeAfterRun) return;
    m_closeAfterRun = false;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void dlgMain::cmdSend_Click() {
    m_runs->cmdSend_Click();
}
void dlgMain::goFromNodeClick() {
    m_runs->cmdSend_Click(RunTrigger::SingleClick);
}
void dlgMain::cmdSend2_Click() {
    m_runs->cmdSend2_Click();
}
void dlgMain::Command8_Click() {
    m_runs->Command8_Click();
}
void dlgMain::TreeView1_NodeClick(int nodeIndex) {
    m_selection->TreeView1_NodeClick(nodeIndex);
}

// The stopwatch exists once the store is open; before that no node can be chosen.
void dlgMain::StartTeach() {
    if (m_teach) m_teach->StartTeach();
}
void dlgMain::TimerTeach_Timer() {
    if (m_teach) m_teach->TimerTeach_Timer();
}
void dlgMain::Command10_Click() {
    reportingErrors(this, [this] {
        if (!m_teach) throw Error(err::NotAvailable, "The task store is not open");
        m_teach->teachTask();
    });
}

void dlgMain::Command1_Click() {
    m_layout->Command1_Click();
}
void dlgMain::Command2_Click() {
    m_layout->Command2_Click();
}
void dlgMain::Command5_Click() {
    m_layout->Command5_Click();
}
void dlgMain::Command6_Click() {
    m_layout->Command6_Click();
}
void dlgMain::Command7_Click() {
    m_layout->Command7_Click();
}
void dlgMain::Command9_Click() {
    m_layout->Command9_Click();
}
void dlgMain::Command11_Click() {
    m_layout->Command11_Click();
}

void dlgMain::Command3_Click() {
    m_tree->expandAll();
}

void dlgMain::Command4_Click() {
    m_tree->collapseAll();
}

TaskStore& dlgMain::store() {
    if (!m_store) throw Error(err::NotAvailable, "The task store is not open");
    return *m_store;
}

template <class T>
T* dlgMain::child(const QString& name) const {
    return findChild<T*>(name);
}

QTreeWidget* dlgMain::TreeView1() const {
    return m_tree->view();
}
QPushButton* dlgMain::cmdSend() const {
    return child<QPushButton>(QStringLiteral("cmdSend"));
}
QPushButton* dlgMain::cmdSend2() const {
    return child<QPushButton>(QStringLiteral("cmdSend2"));
}
QPushButton* dlgMain::command(int number) const {
    if (number < 1 || number > 11) return nullptr;
    return child<QPushButton>(QStringLiteral("Command%1").arg(number));
}
QCheckBox* dlgMain::Check1() const {
    return child<QCheckBox>(QStringLiteral("Check1"));
}
QCheckBox* dlgMain::chbCompleteTask() const {
    return child<QCheckBox>(QStringLiteral("chbCompleteTask"));
}
QListWidget* dlgMain::lstLog() const {
    return child<QListWidget>(QStringLiteral("lstLog"));
}
QLineEdit* dlgMain::dfnTeach() const {
    return child<QLineEdit>(QStringLiteral("dfnTeach"));
}
QTimer* dlgMain::TimerTeach() const {
    return child<QTimer>(QStringLiteral("TimerTeach"));
}
QPlainTextEdit* dlgMain::txtInstructions() const {
    return child<QPlainTextEdit>(QStringLiteral("txtInstructions"));
}
QLabel* dlgMain::lblVersion() const {
    return child<QLabel>(QStringLiteral("lblVersion"));
}
QLineEdit* dlgMain::special(int number) const {
    if (number < 1 || number > 7) return nullptr;
    return child<QLineEdit>(QStringLiteral("special%1").arg(number));
}
QGroupBox* dlgMain::frame(int number) const {
    if (number != 1 && number != 2 && number != 3 && number != 6) return nullptr;
    return child<QGroupBox>(QStringLiteral("Frame%1").arg(number));
}

int dlgMain::nodeCount() const {
    return m_tree->nodeCount();
}
QString dlgMain::nodeKey(int index) const {
    return m_tree->key(index);
}
void dlgMain::ensureNodeVisible(int index) {
    m_tree->ensureVisible(index);
}
void dlgMain::markNodePlayed(int index) {
    m_tree->markPlayed(index);
}
int dlgMain::selectedNodeIndex() const {
    return m_tree->selectedIndex();
}
void dlgMain::selectNode(int index) {
    m_tree->select(index);
}
int dlgMain::childCount(int index) const {
    return m_tree->childCount(index);
}
int dlgMain::firstChild(int index) const {
    return m_tree->firstChild(index);
}
int dlgMain::nextSibling(int index) const {
    return m_tree->nextSibling(index);
}
int dlgMain::nodeIndexForKey(const QString& key) const {
    return m_tree->indexOfKey(key);
}

QString dlgMain::caption() const {
    return windowTitle();
}
void dlgMain::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

QString dlgMain::controlText(const QString& controlName) const {
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

void dlgMain::setControlText(const QString& controlName, const QString& text) {
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

void dlgMain::processEvents() {
    QCoreApplication::processEvents();
}

}  // namespace nightaudit
