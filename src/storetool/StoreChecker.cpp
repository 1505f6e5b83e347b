#include "StoreChecker.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <SQLiteCpp/Database.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <set>

#include "StoreCheckRun.h"
#include "core/Error.h"
#include "playback/WholeNumber.h"
#include "specials/DayRule.h"
#include "store/StorePermissions.h"

namespace nightaudit::storecheck {

std::string shown(const Value& v) {
    if (v.isNull()) return "Null";
    if (v.kind() == Value::Kind::Text) return "\"" + v.text() + "\"";
    return v.text();
}

bool isOne(const Value& v) {
    return v.kind() == Value::Kind::Integer && v.text() == "1";
}

bool isBlank(const Value& v) {
    return v.isNull() || v.text().find_first_not_of(" \t") == std::string::npos;
}

std::string dayNames() {
    QStringList names;
    for (int day = 1; day <= 7; ++day)
        names << QLocale::system().dayName(day, QLocale::ShortFormat);
    return names.join(QStringLiteral(", ")).toStdString();
}

}  // namespace nightaudit::storecheck

namespace nightaudit {

using namespace storecheck;

std::string StoreProblem::text() const {
    return std::string(severity == Severity::Error ? "error: " : "warning: ") + row +
           (column.empty() ? "" : ", " + column) + ": " + what + "\n    fix: " + fix;
}

StoreChecker::StoreChecker(const StoreTables& tables, std::string storePath)
    : m_tables(tables), m_storePath(std::move(storePath)) {}

StoreChecker::Run::Run(const StoreTables& t) : m_t(t) {
    for (const Row& r : t.keySequences.rows) {
        if (auto id = storedInteger(t.keySequences.value(r, "keysequenceID"))) m_sequence[*id] = &r;
    }
}

void StoreChecker::Run::add(Severity s, const StoreTable& table, const Row& row,
                            const char* idColumn, std::string column, std::string what,
                            std::string fix) {
    const Value id = table.value(row, idColumn);
    const std::string name = id.kind() == Value::Kind::Integer
                                 ? table.name + " " + id.text()
                                 : table.name + " (" + idColumn + " " + shown(id) + ", rowid " +
                                       std::to_string(row.rowid) + ")";
    found.push_back({s, name, std::move(column), std::move(what), std::move(fix)});
}

// Ids, enabled, parents and orders: the same rules at each level.
void StoreChecker::Run::level(const Level& l, std::int64_t lowest, std::int64_t highest,
                              bool hasEnabled) {
    std::map<std::string, const Row*> ids;
    std::map<std::pair<std::string, std::string>, const Row*> orders;
    std::set<std::string> parents;
    if (l.parentTable) {
        for (const Row& p : l.parentTable->rows) {
            const Value id = l.parentTable->value(p, l.parentId);
            if (!id.isNull()) parents.insert(shown(id));
        }
    }
    for (const Row& r : l.table.rows) {
        const Value id = l.table.value(r, l.id);
        const auto number = storedInteger(id);
        if (!number || *number < lowest || *number > highest) {
            add(Severity::Error, l.table, r, l.id, l.id,
                "the id " + shown(id) + " is not a whole number" +
                    (lowest == std::numeric_limits<std::int64_t>::min() + 1
                         ? std::string()
                         : " from " + std::to_string(lowest) + " to " + std::to_string(highest)),
                l.parentTable == &m_t.keySequences
                    ? "give the key an unused whole number; until then the key editor "
                      "will not rewrite it"
                    : "give the row an unused whole number in that range (and its "
                      "children the same parent id)");
        } else if (!ids.emplace(id.text(), &r).second) {
            add(Severity::Error, l.table, r, l.id, l.id,
                "another row has the same id, so runs and the editor cannot tell them apart",
                "give one of them an unused id");
        }
        const Value enabled = l.table.value(r, "enabled");
        const bool shownRow = enabled.kind() == Value::Kind::Integer && enabled.text() == "1";
        if (hasEnabled && !(enabled.kind() == Value::Kind::Integer &&
                            (enabled.text() == "0" || enabled.text() == "1"))) {
            add(Severity::Warning, l.table, r, l.id, "enabled",
                "enabled is " + shown(enabled) + ": only the number 1 shows the row",
                "write 1 to show it or 0 to hide it");
        }
        if (l.parentTable) {
            const Value parent = l.table.value(r, l.parent);
            if (!parents.count(shown(parent))) {
                add(Severity::Warning, l.table, r, l.id, l.parent,
                    "there is no " + l.parentTable->name + " " + shown(parent) +
                        ": the row is never shown or played",
                    "set " + std::string(l.parent) + " to an existing " + l.parentTable->name +
                        ", or delete the row");
            } else if (shownRow && hiddenParent(l, parent)) {
                add(Severity::Warning, l.table, r, l.id, "enabled",
                    "the row is enabled but its " + l.parentTable->name + " " + shown(parent) +
                        " is not, so it is never shown",
                    "enable " + l.parentTable->name + " " + shown(parent) +
                        " too, or set enabled to 0 here");
            }
        }
        if (!hasEnabled || shownRow) {
            const auto key =
                std::make_pair(l.parent ? shown(l.table.value(r, l.parent)) : std::string(),
                               shown(l.table.value(r, l.order)));
            if (const auto [at, fresh] = orders.emplace(key, &r); !fresh) {
                add(Severity::Error, l.table, r, l.id, l.order,
                    l.order + std::string(" ") + key.second + " is also the order of " +
                        l.table.name + " " + shown(l.table.value(*at->second, l.id)) +
                        " under the same parent: which plays first is up to the store",
                    "give each row its own order");
            }
        }
    }
}

// Whether the parent `id` is disabled while its own parent is enabled: a branch
// retired at its top is reported once, at the top.
bool StoreChecker::Run::hiddenParent(const Level& l, const Value& id) const {
    const StoreTable& table = *l.parentTable;
    for (const Row& p : table.rows) {
        if (shown(table.value(p, l.parentId)) != shown(id)) continue;
        if (isOne(table.value(p, "enabled"))) return false;
        if (&table == &m_t.taskSequences) return true;
        const StoreTable& top = m_t.taskSequences;
        const Value grandparent = table.value(p, "tasksequenceid");
        for (const Row& g : top.rows)
            if (shown(top.value(g, "tasksequenceid")) == shown(grandparent))
                return isOne(top.value(g, "enabled"));
        return false;
    }
    return false;
}

void StoreChecker::Run::wait(const StoreTable& table, const Row& r, const char* idColumn,
                             const char* column) {
    const Value v = table.value(r, column);
    if (v.isNull()) return;
    try {
        const std::int32_t ms = leadingLongOrZero(v);
        if (ms < 0) {
            add(Severity::Warning, table, r, idColumn, column,
                "the wait " + shown(v) + " is negative and waits nothing",
                "write 0 for no wait, or the milliseconds to wait");
        } else if (v.kind() == Value::Kind::Text) {
            strictNumber(v.text(), column);
        }
    } catch (const Error& e) {
        add(e.number() == err::Overflow ? Severity::Error : Severity::Warning, table, r, idColumn,
            column,
            e.number() == err::Overflow
                ? "the wait " + shown(v) + " is beyond the 32-bit milliseconds a run takes"
                : "the wait " + shown(v) + " is read by its leading number as " +
                      std::to_string(leadingLongOrZero(v)) + " ms",
            "write the wait as whole milliseconds");
    }
}

void StoreChecker::Run::keySequences() {
    const StoreTable& t = m_t.keySequences;
    for (const Row& r : t.rows) {
        const Value day = t.value(r, "enableday");
        if (!day.isNull() && day.text() != " " &&
            !DayRule::listsSomeDay(QString::fromStdString(day.text()))) {
            add(Severity::Error, t, r, "keysequenceID", "enableday",
                "enableday " + shown(day) + " names no weekday in this desktop's language (" +
                    dayNames() + "): the key sequence is never listed and never played by its task",
                "write the first three letters of a day as the desktop names it, or Null "
                "for every day");
        }
        wait(t, r, "keysequenceID", "waitbefore");
        wait(t, r, "keysequenceID", "waitafter");
    }
}

void StoreChecker::Run::keys() {
    const StoreTable& t = m_t.keys;
    for (const Row& r : t.rows) key(t, r);
    windowTitles();
}

// Tasks whose keys type into their window (types 0 and 1) need its title.
void StoreChecker::Run::windowTitles() {
    const StoreTable& tasks = m_t.tasks;
    for (const Row& task : tasks.rows) {
        if (!isBlank(tasks.value(task, "WINDOWTITLE"))) continue;
        const std::string taskId = shown(tasks.value(task, "TASKID"));
        bool typesIntoIt = false;
        for (const Row& k : m_t.keys.rows) {
            const auto sequence = m_sequence.find(
                storedInteger(m_t.keys.value(k, "KEYSEQUENCEID")).value_or(INT64_MIN));
            if (sequence == m_sequence.end() ||
                shown(m_t.keySequences.value(*sequence->second, "TASKID")) != taskId)
                continue;
            const Value type = m_t.keys.value(k, "keytype");
            typesIntoIt |=
                type.kind() == Value::Kind::Integer && (type.text() == "0" || type.text() == "1");
        }
        if (typesIntoIt) {
            add(Severity::Error, tasks, task, "TASKID", "WINDOWTITLE",
                "the task's keys type into its window, but it names no window",
                "write the window's title (or the start of it) in WINDOWTITLE");
        }
    }
}

std::vector<StoreProblem> StoreChecker::problems() const {
    Run run(m_tables);
    for (const auto& p : StorePermissions::problems(m_storePath)) {
        run.found.push_back({Severity::Error, p.path, "",
                             p.what + ": others could change what is typed, so runs are refused",
                             p.fix});
    }
    const StoreTables& t = m_tables;
    constexpr std::int64_t kAny = std::numeric_limits<std::int64_t>::max();
    run.level({t.taskSequences, "tasksequenceid", nullptr, "DISPLAYORDER", nullptr, nullptr}, -kAny,
              kAny, true);
    run.level(
        {t.tasks, "TASKID", "tasksequenceid", "TASKORDER", &t.taskSequences, "tasksequenceid"}, 1,
        INT16_MAX, true);
    run.level({t.keySequences, "keysequenceID", "TASKID", "DISPLAYORDER", &t.tasks, "TASKID"}, 1,
              INT16_MAX, true);
    run.keySequences();
    run.level({t.keys, "keysid", "KEYSEQUENCEID", "KEYORDER", &t.keySequences, "keysequenceID"},
              INT32_MIN, INT32_MAX, false);
    run.keys();
    std::stable_sort(run.found.begin(), run.found.end(),
                     [](const StoreProblem& a, const StoreProblem& b) {
                         return a.severity == Severity::Error && b.severity != Severity::Error;
                     });
    return run.found;
}

std::vector<StoreProblem> StoreChecker::checkFile(const std::string& path) {
    try {
        SQLite::Database db(path, SQLite::OPEN_READONLY);
        const StoreTables tables = StoreTables::read(db);
        return StoreChecker(tables, path).problems();
    } catch (const SQLite::Exception& e) {
        throw Error(err::Store + e.getErrorCode(),
                    "The store " + path + " cannot be read: " + e.what());
    }
}

}  // namespace nightaudit
