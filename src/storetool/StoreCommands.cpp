#include "StoreCommands.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <exception>

#include "RunPreview.h"
#include "StoreChecker.h"
#include "StoreText.h"
#include "core/Error.h"
#include "specials/SpecialDates.h"
#include "store/StorePermissions.h"
#include "store/TaskStore.h"

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
    "STORE is the db.mdb that nightaudit opens unless given: beside the program, else in\n"
    "$XDG_DATA_HOME/quillmar-night-audit (~/.local/share/quillmar-night-audit).\n";

int check(const QStringList& args, const QString& defaultStore, std::ostream& out) {
    const std::string path = (args.isEmpty() ? defaultStore : args[0]).toStdString();
    const auto problems = StoreChecker::checkFile(path);
    for (const StoreProblem& p : problems) out << p.text() << '\n';
    return problems.empty() ? kClean : kProblems;
}

int preview(const QStringList& args, const QString& defaultStore, std::ostream& out) {
    QString store = defaultStore;
    QDate day = SpecialDates::at(QDateTime::currentDateTime()).auditDay.date();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--date") && i + 1 < args.size()) {
            day = QDate::fromString(args[++i], Qt::ISODate);
            if (!day.isValid()) {
                throw Error(err::InvalidArgument, "The date " + args[i].toStdString() +
                                                      " is not a date written YYYY-MM-DD");
            }
        } else {
            store = args[i];
        }
    }
    int status = kClean;
    try {
        StorePermissions::require(store.toStdString());
    } catch (const Error& e) {
        out << "Go would be refused. " << e.description() << "\n\n";
        status = kProblems;
    }
    TaskStore tasks(store.toStdString(), 5000, TaskStore::Access::ReadOnly);
    const PreviewSteps steps =
        RunPreview(tasks, QFileInfo(store).absolutePath(), day).run(args[0].toStdString());
    out << RunPreview::text(steps);
    return steps.failures() > 0 ? kProblems : status;
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
        if (command == QLatin1String("preview") && !args.isEmpty())
            return preview(args, defaultStore, out);
        if (command == QLatin1String("export") && args.size() <= 1)
            return exportStore(args, defaultStore, out);
        if (command == QLatin1String("import") && args.size() == 2) return importText(args, out);
    } catch (const Error& e) {
        err << "nightaudit-store: " << e.description() << " (error " << e.number() << ")\n";
        return kCannotRead;
    } catch (const std::exception& e) {
        err << "nightaudit-store: " << e.what() << "\n";
        return kCannotRead;
    }
    err << kUsage;
    return kCannotRead;
}

}  // namespace nightaudit
