#include "MessageBoxes.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>

namespace nightaudit {
namespace {

MessageBoxes::Recorder* g_recorder = nullptr;

bool platformIsInvisible() {
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("offscreen") || name == QLatin1String("minimal");
}

}  // namespace

MessageBoxes::Recorder::Recorder() : m_previous(g_recorder) {
    g_recorder = this;
}

MessageBoxes::Recorder::~Recorder() {
    g_recorder = m_previous;
}

void MessageBoxes::information(QWidget* parent, const QString& title, const QString& text) {
    show(parent, Icon::Information, title, text);
}

void MessageBoxes::critical(QWidget* parent, const QString& title, const QString& text) {
    show(parent, Icon::Critical, title, text);
}

void MessageBoxes::show(QWidget* parent, Icon icon, const QString& title, const QString& text) {
    if (g_recorder) {
        g_recorder->record({icon, title, text});
        return;
    }
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    if (platformIsInvisible()) return;
    if (icon == Icon::Critical) {
        QMessageBox::critical(parent, title, text, QMessageBox::Ok);
    } else {
        QMessageBox::information(parent, title, text, QMessageBox::Ok);
    }
}

}  // namespace nightaudit
