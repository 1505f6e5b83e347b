#pragma once

#include <QString>

#include "Pictures.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace nightaudit {

// Small makers for the main window's controls: each gets its object name, text and
// designed position (left, top, width, height in twips inside `parent`).
namespace controls {

QGroupBox* frame(QWidget* parent, const char* name, const QString& caption, int left, int top,
                 int width, int height);
QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top,
                    int width, int height);
// A small button that shows `picture` only; `tip` says what it does.
QPushButton* pictureButton(QWidget* parent, const char* name, const QString& caption,
                           Picture picture, const QString& tip, int left, int top, int width,
                           int height);
QLabel* label(QWidget* parent, const char* name, const QString& caption, int left, int top,
              int width, int height);
QLineEdit* textBox(QWidget* parent, const char* name, const QString& text, int left, int top,
                   int width, int height);
QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, int left, int top,
                    int width, int height);

}  // namespace controls
}  // namespace nightaudit
