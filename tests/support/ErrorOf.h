#pragma once

// The number and text of the Error a call throws. A call that throws nothing gives
// number 0, which no check expects, so the comparison that follows fails and says so.

#include <QString>

#include "core/Error.h"

namespace nightaudit::test {

struct Thrown {
    int number = 0;
    QString text = QStringLiteral("no error was thrown");
};

template <class Call>
Thrown errorOf(Call&& call) {
    try {
        call();
    } catch (const Error& e) {
        return {e.number(), QString::fromStdString(e.description())};
    }
    return {};
}

}  // namespace nightaudit::test
