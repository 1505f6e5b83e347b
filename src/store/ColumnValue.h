#pragma once

#include "Value.h"

namespace SQLite {
class Column;
}

namespace nightaudit {

// A column of the current row as a Value of its stored kind; for the store's readers only.
Value columnValue(const SQLite::Column& column);

}  // namespace nightaudit
