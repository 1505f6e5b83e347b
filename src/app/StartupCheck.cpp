#include "StartupCheck.h"

#include "store/StorePlace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

#include "MessageBoxes.h"
#include "core/Error.h"

namespace nightaudit {
namespace {

constexpr int kFailureStatus = 1;
constexpr int kUsageStatus = 2;

// The package puts the demo store here, relative to the program in bin/.
const QString kDemoStoreFromProgram = QStringLiteral("../share/quillmar-night-audit/db.mdb");

const QString kUsage = QStringLiteral(
    "Usage: nightaudit [--help | --version]\n"
    "Plays the night audit's stored steps into the hotel application's windows.\n"
    "The steps are read from db.mdb beside the program or, failing that, from\n"
    "$XDG_DATA_HOME/quillmar-night-audit/db.mdb. See nightaudit(1).\n");

const QByteArray kSqliteHeader("SQLite format 3\0", 16);
const QByteArray kJetSignature("Standard Jet DB");
constexpr int kJetSignatureOffset = 4;

QString howToCreate() {
    return QStringLiteral(
        "A task store can be made from the schema file in the source tree, for example: "
        "sqlite3 db.mdb < data/schema.sql");
}

QString quotedForShell(const QString& path) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+-]+$"));
    if (plain.match(path).hasMatch()) return path;
    return "'" + QString(path).replace("'", "'\\''") + "'";
}

}  // namespace

StartupCheck::Result StartupCheck::startFrom(const QString& programDir, MainWindow::Clock clock) {
    const std::string found = existingStore(programDir.toStdString());
    if (!found.empty()) return start(QString::fromStdString(found), std::move(clock));
    const QString beside = QString::fromStdString(storeBesideProgram(programDir.toStdString()));
    const QString perUser = QString::fromStdString(perUserStore());

    const QString demo = QDir::cleanPath(QDir(programDir).filePath(kDemoStoreFromProgram));
    Result result;
    result.status = kFailureStatus;
    result.message =
        QStringLiteral("There is no task store: neither %1 nor %2 exists. ").arg(beside, perUser) +
        (QFileInfo::exists(demo)
             ? QStringLiteral("To start from the demo store: install -D -m 644 %1 %2")
                   .arg(quotedForShell(demo), quotedForShell(perUser))
             : howToCreate());
    MessageBoxes::critical(nullptr, QStringLiteral("Quillmar Night Audit"), result.message);
    return result;
}

std::optional<StartupCheck::CommandLineReply> StartupCheck::replyToCommandLine(
    const QStringList& arguments) {
    const QString help = QStringLiteral("--help"), shortHelp = QStringLiteral("-h"),
                  version = QStringLiteral("--version");
    for (const QString& argument : arguments) {
        if (argument == help || argument == shortHelp || argument == version) continue;
        const QString what = argument.startsWith('-') ? QStringLiteral("unknown option")
                                                      : QStringLiteral("unexpected argument");
        return CommandLineReply{
            kUsageStatus, QStringLiteral("nightaudit: %1 '%2'\n").arg(what, argument) + kUsage};
    }
    if (arguments.isEmpty()) return std::nullopt;
    if (arguments.contains(help) || arguments.contains(shortHelp))
        return CommandLineReply{0, kUsage};
    return CommandLineReply{0, QStringLiteral("nightaudit " NIGHTAUDIT_VERSION "\n")};
}

std::optional<int> StartupCheck::answerCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const auto reply = replyToCommandLine(arguments);
    if (!reply) return std::nullopt;
    std::fputs(reply->text.toLocal8Bit().constData(), reply->status == 0 ? stdout : stderr);
    return reply->status;
}

QString StartupCheck::problemWithStoreFile(const QString& storePath) {
    const QFileInfo info(storePath);
    if (!info.exists()) {
        return QStringLiteral("The task store %1 does not exist. ").arg(storePath) + howToCreate();
    }
    if (!info.isFile()) {
        return QStringLiteral("The task store %1 is not a file.").arg(storePath);
    }
    QFile file(storePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("The task store %1 cannot be read: %2")
            .arg(storePath, file.errorString());
    }
    const QByteArray head = file.read(64);
    if (head.startsWith(kSqliteHeader)) return {};
    if (head.mid(kJetSignatureOffset, kJetSignature.size()) == kJetSignature) {
        return QStringLiteral(
                   "The task store %1 is an old Access (Jet) database. This program reads "
                   "SQLite task stores only: convert it to SQLite first.")
            .arg(storePath);
    }
    // An empty file would open as an empty SQLite database and fail later with a less
    // helpful message, so it is reported here with the other non-databases.
    return QStringLiteral("The task store %1 is not an SQLite database%2. ")
               .arg(storePath,
                    head.isEmpty() ? QStringLiteral(" (the file is empty)") : QString()) +
           howToCreate();
}

StartupCheck::Result StartupCheck::start(const QString& storePath, MainWindow::Clock clock) {
    Result result;
    result.message = problemWithStoreFile(storePath);
    if (result.message.isEmpty()) {
        auto window = std::make_unique<MainWindow>(storePath, std::move(clock));
        try {
            window->load();
            result.window = std::move(window);
            return result;
        } catch (const Error& e) {
            result.message = QStringLiteral("The task store %1 could not be opened or read: %2")
                                 .arg(storePath, QString::fromStdString(e.description()));
        }
    }
    result.status = kFailureStatus;
    MessageBoxes::critical(nullptr, QStringLiteral("Quillmar Night Audit"), result.message);
    return result;
}

}  // namespace nightaudit
