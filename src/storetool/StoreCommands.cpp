#include "StoreCommands.h"

#include <QFile>

#include "StoreChecker.h"
#include "StoreText.h"
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

int exportStore(const QStringList& args, const QString& defaultStore, std::ostream& out) {
    out << StoreText::exportStore((args.isEmpty() ? defaultStore : args[0]).toStdString());
    return kClean;
}

int importText(const QStringList& args, std::ostream& out) {
    QFile file(args[0]);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(err::FileNotFound, "The text " + args[0].toStdString() +
                                           " cannot be read: " + file.errorString().toStdString());
    }
    StoreText::importText(file.readAll().toStdString(), args[1].toStdString());
    out << "Made the store " << args[1].toStdString() << " from " << args[0].toStdString() << ".\n";
    return kClean;
}

}  // namespace

int runStoreCommand(const QStringList& arguments, const QString& defaultStore, std::ostream& out,
                    std::ostream& err) {
    const QString command = arguments.value(0);
    const QStringList args = arguments.mid(1);
    try {
        if (command == QLatin1String("check") && args.size() <= 1)
            return check(args, defaultStore, out);
        if (command == QLatin1String("export") && args.size() <= 1)
            return exportStore(args, defaultStore, out);
        if (command == QLatin1String("import") && args.size() == 2) return importText(args, out);
    } catch (const Error& e) {
        err << "nightaudit-store: " << e.description() << " (error " << e.number() << ")\n";
        return kCannotRead;
    }
    err << kUsage;
    return kCannotRead;
}

}  // namespace nightaudit
