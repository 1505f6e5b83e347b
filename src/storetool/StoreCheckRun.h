#pragma once

// The checks of one store, shared by StoreChecker.cpp (the tree's levels, waits, days and
// window titles) and KeyChecks.cpp (each key, and the chains of key sequences that run
// others). Private to the store checker.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "StoreChecker.h"

namespace nightaudit::storecheck {

using Row = StoreTable::Row;
using Severity = StoreProblem::Severity;

// A value as a problem names it: Null, "text" or the number.
std::string shown(const Value& v);
bool isOne(const Value& v);
bool isBlank(const Value& v);
// The desktop's short day names, as the day rule compares them.
std::string dayNames();

// One level of the tree: its table, the columns of its id, parent and order, and the
// table and id column of the parent level (none at the top).
struct Level {
    const StoreTable& table;
    const char* id;
    const char* parent;  // nullptr for the top level
    const char* order;
    const StoreTable* parentTable;
    const char* parentId;
};

}  // namespace nightaudit::storecheck

namespace nightaudit {

class StoreChecker::Run {
public:
    using Row = storecheck::Row;
    using Severity = storecheck::Severity;
    using Level = storecheck::Level;

    explicit Run(const StoreTables& t);
    // One problem in `row`, which is named by its id, or by its rowid when the id is no
    // whole number.
    void add(Severity s, const StoreTable& table, const Row& row, const char* idColumn,
             std::string column, std::string what, std::string fix);
    // Ids, enabled, parents and orders: the same rules at each level.
    void level(const Level& l, std::int64_t lowest, std::int64_t highest, bool hasEnabled);
    // Whether the parent `id` is disabled while its own parent is enabled: a branch
    // retired at its top is reported once, at the top.
    bool hiddenParent(const Level& l, const Value& id) const;
    void wait(const StoreTable& table, const Row& r, const char* idColumn, const char* column);
    void keySequences();
    void keys();  // each key, then the tasks' window titles

    std::vector<StoreProblem> found;

private:
    void key(const StoreTable& t, const Row& r);
    void runKeySequence(const StoreTable& t, const Row& r, const Value& text);
    // The key sequences run (type 10) by the keys of key sequence `id`.
    std::vector<std::int64_t> runsOf(std::int64_t id) const;
    // The chain from `from` to `to` through type 10 keys, `from` first; empty when none.
    std::vector<std::int64_t> pathOf(std::int64_t from, std::int64_t to) const;
    // Tasks whose keys type into their window (types 0 and 1) need its title.
    void windowTitles();

    const StoreTables& m_t;
    std::map<std::int64_t, const Row*> m_sequence;
};

}  // namespace nightaudit
