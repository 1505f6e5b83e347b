#pragma once

#include <string>
#include <utility>
#include <vector>

#include "Value.h"

namespace nightaudit {

// A statement's text with one `?` per value, and the values bound to them in order. Values
// are never written into the text, so a key text with an apostrophe or a stored id that is
// not a number cannot change what the statement does. A fixed text converts implicitly.
struct Sql {
    Sql(std::string statementText) : text(std::move(statementText)) {}
    Sql(const char* statementText) : text(statementText) {}
    Sql(std::string statementText, std::vector<Value> boundValues)
        : text(std::move(statementText)), values(std::move(boundValues)) {}

    std::string text;
    std::vector<Value> values;
};

}  // namespace nightaudit
