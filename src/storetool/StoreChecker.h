#pragma once

#include <string>
#include <vector>

#include "StoreTables.h"

namespace nightaudit {

// One thing wrong with a store, in the row it is in.
struct StoreProblem {
    enum class Severity { Error, Warning };
    Severity severity = Severity::Error;
    std::string row;     // "keys 12", "task 3", or the file for a permission problem
    std::string column;  // empty when the whole row is meant
    std::string what;
    std::string fix;

    // Two lines: "error: keys 12, keytext: what" and "    fix: fix".
    std::string text() const;
};

// Looks for everything in a store that would stop a run, run the wrong thing, or let
// others change what is typed. Reads only.
class StoreChecker {
public:
    // `storePath` is looked at for its permissions.
    StoreChecker(const StoreTables& tables, std::string storePath);

    // Every problem, errors before warnings; within each, in table and row order.
    std::vector<StoreProblem> problems() const;

    // Opens the store at `path` read-only and checks it. Throws Error when it cannot be
    // read (missing, not a database, a table missing).
    static std::vector<StoreProblem> checkFile(const std::string& path);

private:
    class Run;
    const StoreTables& m_tables;
    std::string m_storePath;
};

}  // namespace nightaudit
