#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

#include <cstdio>

#include "FrontDeskWindow.h"
#include "KeyTokens.h"
#include "core/Error.h"

// A window to play stored steps into before they drive the real application:
//   frontdesk [--title TEXT] [--echo]   shows what it receives (--echo: also on stdout)
//   frontdesk --preview KEYS            prints what KEYS would show, without a window
int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A demo front desk that shows every key and click it receives."));
    parser.addHelpOption();
    const QCommandLineOption title(QStringLiteral("title"),
                                   QStringLiteral("Window title (default: Front Desk)."),
                                   QStringLiteral("TEXT"), QStringLiteral("Front Desk"));
    const QCommandLineOption echo(QStringLiteral("echo"),
                                  QStringLiteral("Also write what is shown to standard output."));
    const QCommandLineOption preview(
        QStringLiteral("preview"),
        QStringLiteral("Print what a keystroke text shows when played, then exit."),
        QStringLiteral("KEYS"));
    parser.addOptions({title, echo, preview});
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) parser.showHelp();

    if (parser.isSet(preview)) {
        try {
            const QString shown =
                nightaudit::frontdesk::tokensOf(parser.value(preview).toUtf8().toStdString());
            std::printf("%s\n", shown.toUtf8().constData());
            return 0;
        } catch (const nightaudit::Error& e) {
            std::fprintf(stderr, "%s\n", e.description().c_str());
            return 1;
        }
    }

    QApplication app(argc, argv);
    nightaudit::frontdesk::FrontDeskWindow window(parser.value(title));
    if (parser.isSet(echo)) {
        window.setEcho([](const QString& piece) {
            std::fputs(piece.toUtf8().constData(), stdout);
            std::fflush(stdout);
        });
    }
    // Top left, where the demo's pointer keys click.
    window.setGeometry(0, 0, 640, 400);
    window.show();
    return app.exec();
}
