#include "StartupCheck.h"

#include <QFile>
#include <QFileInfo>

#include "MessageBoxes.h"
#include "core/Error.h"

namespace nightaudit {
namespace {

constexpr int kFailureStatus = 1;

const QByteArray kSqliteHeader("SQLite format 3\0", 16);
const QByteArray kJetSignature("Standard Jet DB");
constexpr int kJetSignatureOffset = 4;

QString howToCreate() {
    return QStringLiteral(
        "A task store can be made from the schema file in the source tree, for example: "
        "sqlite3 db.mdb < data/schema.sql");
}

}  // namespace

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

StartupCheck::Result StartupCheck::start(const QString& storePath, dlgMain::Clock clock) {
    Result result;
    result.message = problemWithStoreFile(storePath);
    if (result.message.isEmpty()) {
        auto window = std::make_unique<dlgMain>(storePath, std::move(clock));
        try {
            window->Form_Load();
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
