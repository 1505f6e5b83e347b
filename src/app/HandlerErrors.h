#pragma once

#include <QString>
#include <QWidget>

#include <exception>

#include "MessageBoxes.h"
#include "core/Error.h"

namespace nightaudit {

// The top of an event handler: a failure is shown to the clerk and the program
// goes on. Returns false when `handler` failed.
template <class Handler>
bool reportingErrors(QWidget* window, Handler&& handler) {
    const QString title = QStringLiteral("Quillmar Night Audit");
    try {
        handler();
        return true;
    } catch (const Error& e) {
        MessageBoxes::critical(window, title, QString::fromStdString(e.description()));
    } catch (const std::exception& e) {
        MessageBoxes::critical(window, title, QString::fromLocal8Bit(e.what()));
    }
    return false;
}

}  // namespace nightaudit
