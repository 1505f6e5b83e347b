#include "LayoutCommands.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "MainControls.h"
#include "WindowGeometry.h"
#include "core/Twips.h"

namespace nightaudit {
namespace {

constexpr int kDockedHeightTwips = 4000;
constexpr int kShortLogHeightTwips = 4115;

void setWidthTwips(QWidget* w, int widthTwips) {
    w->resize(twipsToPixels(widthTwips), w->height());
}

}  // namespace

LayoutCommands::LayoutCommands(QWidget& window, const MainControls& controls, QTreeWidget& treeView)
    : m_window(window), m_controls(controls), m_treeView(treeView) {
    const std::pair<QPushButton*, void (LayoutCommands::*)()> buttons[] = {
        {controls.wideLayout, &LayoutCommands::wide},
        {controls.narrowLayout, &LayoutCommands::narrow},
        {controls.treeOnlyLayout, &LayoutCommands::treeOnly},
        {controls.shortLog, &LayoutCommands::shortenLog},
        {controls.dockLow, &LayoutCommands::dockLow}};
    for (const auto& [button, command] : buttons)
        connect(button, &QPushButton::clicked, this, command);
}

void LayoutCommands::setFramesWidth(int tasksWidth, int actionsLeft, int windowWidth) {
    setWidthTwips(m_controls.tasks, tasksWidth);
    m_controls.actions->move(twipsToPixels(actionsLeft), m_controls.actions->y());
    setOuterWidthTwips(m_window, windowWidth);
}

void LayoutCommands::wide() {
    setFramesWidth(7815, 8040, 10395);
}

void LayoutCommands::narrow() {
    setFramesWidth(3975, 4080, 6465);
}

void LayoutCommands::dockLow() {
    setOuterHeightTwips(m_window, kDockedHeightTwips);
    m_window.move(m_window.x(), twipsToPixels(topAboveScreenBottomTwips(m_window)));
}

void LayoutCommands::treeOnly() {
    setWidthTwips(m_controls.tasks, outerWidthTwips(m_window) - 400);
    setWidthTwips(&m_treeView, outerWidthTwips(m_window) - 700);
    m_controls.actions->hide();
    m_controls.specialFields->hide();
    m_controls.instructions->hide();
    m_controls.instructionsCaption->hide();
    m_controls.treeOnlyGo->show();
    // The widened tree reaches over the second Go: the one Go of this layout stays on top.
    m_controls.treeOnlyGo->raise();
}

void LayoutCommands::shortenLog() {
    m_controls.log->resize(m_controls.log->width(), twipsToPixels(kShortLogHeightTwips));
}

}  // namespace nightaudit
