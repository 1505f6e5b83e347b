#pragma once

#include <QStringList>

#include <ostream>

namespace nightaudit {

// The commands of nightaudit-store, apart from the process: `arguments` without the
// program's name, `defaultStore` the db.mdb nightaudit would open. Returns the exit
// status: 0 clean, 1 problems found, 2 the store or text cannot be read (or bad usage).
int runStoreCommand(const QStringList& arguments, const QString& defaultStore, std::ostream& out,
                    std::ostream& err);

}  // namespace nightaudit
