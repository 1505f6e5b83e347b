#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QStyleOptionButton>
#include <QTemporaryDir>

#include "editor/KeyEditor.h"
#include "playback/CountdownDialog.h"
#include "report/PrintPage.h"
#include "report/Printer.h"
#include "support/WindowRig.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// The controls of `root` whose caption is wider than its room (unless elided with the
// whole text in the tooltip), or whose picture is larger than its button or has no tooltip.
QStringList cutOff(const QWidget& root) {
    QStringList out;
    for (const QWidget* w : root.findChildren<QWidget*>()) {
        const auto* l = qobject_cast<const QLabel*>(w);
        const auto* b = qobject_cast<const QAbstractButton*>(w);
        const auto* g = qobject_cast<const QGroupBox*>(w);
        if ((!l && !b && !g) || (l && l->wordWrap())) continue;
        QString text = l ? l->text() : b ? b->text() : g->title();
        int room = l ? l->contentsRect().width() : g ? g->width() - 16 : 0;
        if (b) {
            QStyleOptionButton o;
            o.initFrom(b);
            const QRect r = b->style()->subElementRect(qobject_cast<const QCheckBox*>(b)
                                                           ? QStyle::SE_CheckBoxContents
                                                           : QStyle::SE_PushButtonContents,
                                                       &o, b);
            const QSize picture = b->icon().isNull() ? QSize(-4, 0) : b->iconSize();
            if (b->property("nightaudit_pictureOnly").toBool()) {
                if (picture.width() < 1 || b->toolTip().isEmpty() ||
                    r.size().boundedTo(picture) != picture)
                    out << b->objectName() + ": picture";
                continue;
            }
            room = r.width() - picture.width() - 4;
        }
        if (text.endsWith(QChar(0x2026)) && w->toolTip().startsWith(text.chopped(1))) continue;
        const int needed = QFontMetrics(w->font()).size(Qt::TextShowMnemonic, text).width();
        if (needed > room)
            out << QString("%1: \"%2\" %3 > %4").arg(w->objectName(), text).arg(needed).arg(room);
    }
    return out;
}

}  // namespace

// Every caption and picture of every window shows whole, at the scale the test runs at
// (CTest runs it at 1, 1.25 and 1.5), in the font the program sets.
class TestTextFit : public QObject {
    Q_OBJECT
private slots:
    void everyCaptionShowsWhole_data() {
        QTest::addColumn<QString>("window");
        for (const char* w :
             {"main window", "a node clicked", "key editor", "countdown", "print page"})
            QTest::newRow(w) << w;
    }
    void everyCaptionShowsWhole() {
        QFETCH(QString, window);
        QFont font = QApplication::font();  // as the program sets it
        font.setPixelSize(11);
        QApplication::setFont(font);
        WindowRig rig;
        std::unique_ptr<QWidget> dialog;
        if (window == "a node clicked") rig.click(4);  // "Teach Task(KS2)"
        if (window == "key editor")
            dialog = std::make_unique<KeyEditor>(rig.window.store(), 2, &rig.window);
        if (window == "countdown")
            dialog = std::make_unique<CountdownDialog>(rig.window.state(), 3, &rig.window);
        if (window == "print page") {  // never shown: fitted as it is printed
            QTemporaryDir dir;
            dialog = std::make_unique<PrintPage>();
            renderPdf(*dialog, dir.filePath("page.pdf"), QPageSize(QPageSize::Letter));
        } else if (dialog) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        }
        const QWidget& shown = dialog ? *dialog : static_cast<QWidget&>(rig.window);
        QVERIFY(!shown.findChildren<QLabel*>().isEmpty());
        const QStringList cut = cutOff(shown);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
    }
};

QTEST_MAIN(TestTextFit)
#include "TestTextFit.moc"
