// A 2 000-character text into real applications through the main window's Go, the X11 desktop
// and the player, timed from Go until the application holds the whole text (read back from the
// application itself). bench_apps.sh starts the applications on its X session.
//
//   bench_apps SCHEMA DIR TARGET...
//     TARGET: "NAME|TITLE|FILE|HOW|TEXT", HOW: saved (^s, the saved file), live (a file the
//     application rewrites on every change) or appended (bytes appended); TEXT: mixed (ASCII,
//     Enter, accented, Greek, Cyrillic, CJK) or ascii. The texts go to DIR/mixed.txt and
//     DIR/ascii.txt for the xdotool rows.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QThread>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/MainWindow.h"
#include "apps/TypedText.h"
#include "platform/X11Desktop.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return std::fprintf(stderr, "usage: bench_apps SCHEMA DIR TARGET...\n"), 2;
    QApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[2]), store = dir + "/db.mdb";
    const QString texts[] = {
        mix("abcdefghijklmnopqrstuvwxyz ABCXYZ 0123456789" + kPunctuation +
                QString::fromUtf8("éüßñçÅø€£¥Ωж中文✓"),
            2000),
        mix("abcdefghijklmnopqrstuvwxyz ABCXYZ 0123456789" + kPunctuation, 2000)};
    for (int i = 0; i < 2; ++i) {
        QFile f(dir + (i ? "/ascii.txt" : "/mixed.txt"));
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write(texts[i].toUtf8());
    }
    {
        std::ifstream schema(argv[1]);
        std::stringstream sql;
        sql << schema.rdbuf();
        SQLite::Database db(store.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(sql.str() + R"(
INSERT INTO tasksequence VALUES (1, 'Apps', NULL, 1, 1);
INSERT INTO task VALUES (10, 1, 'Target', '', 1, 1);
INSERT INTO keysequence VALUES (1, 10, 'Text', 1, ' ', 0, 0, 1);
INSERT INTO keys (KEYSEQUENCEID, KEYORDER, keytype, keytext, waitbefore, waitafter)
  VALUES (1, 1, 0, '', 0, 0);)");
    }
    MainWindow window(store);
    window.load();
    window.show();
    window.setCollaborators({std::make_unique<X11Desktop>(), {}, {}, {}, {}, {}});
    QThread::msleep(500);
    app.processEvents();

    for (int i = 3; i < argc; ++i) {
        const QStringList t = QString::fromLocal8Bit(argv[i]).split('|');
        const QString &name = t[0], &title = t[1], &file = t[2], &how = t[3];
        const QString& chars = texts[t[4] == "ascii"];
        const bool editor = how != "appended";
        {
            SQLite::Database db(store.toStdString(), SQLite::OPEN_READWRITE);
            db.exec("UPDATE task SET WINDOWTITLE = '" + title.toStdString() + "'");
            SQLite::Statement key(db, "UPDATE keys SET keytext = ?");
            key.bind(1, ((editor ? "^a{DEL}" : "") + keysOf(chars) + (how == "saved" ? "^s" : ""))
                            .toStdString());
            key.exec();
        }
        const qsizetype before = contents(file).size();
        const auto now = [&] {
            const QByteArray all = contents(file);
            return normalized(how == "appended" ? all.mid(before) : all);
        };
        QElapsedTimer clock;
        clock.start();
        window.setCaption("Quillmar Night Audit");
        window.selectNode(window.nodeIndexForKey("KS1"));
        window.controls().go->click();
        const double ran = clock.elapsed() / 1000.0;
        // A refused text (the caption names why) is not waited for.
        const bool played = window.caption() == "Quillmar Night Audit";
        // Until the whole text is there, or what is there has not changed for 10 s.
        QString held = now();
        for (qint64 changed = clock.elapsed();
             played && held != chars && clock.elapsed() - changed < 10000; QThread::msleep(5))
            if (const QString n = now(); n != held) held = n, changed = clock.elapsed();
        const double whole = clock.elapsed() / 1000.0;  // with the 10 s of no change, if short
        const QString got = now();
        qsizetype same = 0;
        while (same < got.size() && same < chars.size() && got[same] == chars[same]) ++same;
        std::printf("%s|%s|%.2f|%.2f|%lld|%lld|%s\n", qPrintable(name), qPrintable(t[4]), ran,
                    whole, static_cast<long long>(got == chars ? 0 : chars.size() - same),
                    static_cast<long long>(got.size()), qPrintable(window.caption()));
        std::fflush(stdout);
    }
    return 0;
}
