#pragma once

#include <memory>

class QGroupBox;
class QWidget;

namespace nightaudit {

class TaskTree;

// Builders of the main window's two frames. Controls are created in their designed
// order (a later control lies above an earlier one) with their object names, texts,
// positions and initial states; behaviour is connected by the window.

// The frame "Actions" (`Frame3`): Go, Next, the run log, the teach stopwatch and the
// layout buttons, plus the stopped one-second timer `TimerTeach`.
QGroupBox* buildActionsFrame(QWidget* window);

// The frame "Night Audit Tasks" (`Frame2`): the tree, its button row (`Frame6`), the
// instructions, the special fields and the hidden second Go.
struct TasksFrame {
    QGroupBox* frame;
    std::unique_ptr<TaskTree> tree;
};
TasksFrame buildTasksFrame(QWidget* window);

}  // namespace nightaudit
