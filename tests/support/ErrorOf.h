#pragma once

// The Error a call throws; none gives number 0 and no text, which no check expects, so a
// missing error fails the check.
#include <QString>

#include "core/Error.h"

namespace nightaudit::test {

struct Thrown {
    int number = 0;
    QString text;
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
