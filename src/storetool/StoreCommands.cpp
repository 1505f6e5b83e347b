#include "StoreCommands.h"

#include "StoreChecker.h"
#include "core/Error.h"

namespace nightaudit {
namespace {

constexpr int kClean = 0;
constexpr int kProblems = 1;
constexpr int kCannotRead = 2;

const char* const kUsage =
    "usage: nightaudit-store check [STORE]\n"
    "       nightaudit-store preview NODEKEY [--date YYYY-MM-DD] [STORE]\n"
    "       nightaudit-store export [STORE]\n"
    "       nightaudit-store import TEXTFILE NEWSTORE\n"
    "STORE is the db.mdb beside nightaudit unless given.\n";

int check(const QStringList& args, const QString& defaultStore, std::ostream& out) {
    const std::string path = (args.isEmpty() ? defaultStore : args[0]).toStdString();
    const auto problems = StoreChecker::checkFile(path);
    for (const StoreProblem& p : problems) out << p.text() << '\n';
    return problems.empty() ? kClean : kProblems;
}

}  // namespace

int runStoreCommand(const QStringList& arguments, const QString& defaultStore, std::ostream& out,
                    std::ostream& err) {
    const QString command = arguments.value(0);
    const QStringList args = arguments.mid(1);
    try {
        if (command == QLatin1String("check") && args.size() <= 1)
            return check(args, defaultStore, out);
    } catch (const Error& e) {
        err << "nightaudit-store: " << e.description() << " (error " << e.number() << ")\n";
        return kCannotRead;
    }
    err << kUsage;
    return kCannotRead;
}

}  // namespace nightaudit
