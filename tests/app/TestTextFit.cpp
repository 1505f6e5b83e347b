#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QStyleOptionButton>
#include <QTemporaryDir>

#include "WindowRig.h"
#include "editor/dlgEdit.h"
#include "playback/dlgWait.h"
#include "report/dlgPrint.h"
#include "support/PdfFilePrinter.h"

using namespace nightaudit;
using namespace nightaudit::test;

namespace {

// What does not show whole in `root`, one line per control: a caption wider than the room
// its control has (unless it is elided and the tooltip holds it whole), a picture larger
// than its button.
QStringList cutOff(const QWidget& root) {
    QStringList out;
    for (const QWidget* w : root.findChildren<QWidget*>()) {
        QString text;
        int room = 0, icon = 0;
        if (const auto* l = qobject_cast<const QLabel*>(w)) {
            if (l->wordWrap()) continue;
            text = l->text();
            room = l->contentsRect().width();
        } else if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
            QStyleOptionButton o;
            o.initFrom(b);
            const bool check = qobject_cast<const QCheckBox*>(b);
            const QRect r = b->style()->subElementRect(
                check ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &o, b);
            icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
            if (b->property("nightaudit_pictureOnly").toBool()) {
                if (b->icon().isNull() || b->toolTip().isEmpty() ||
                    b->iconSize().width() > r.width() || b->iconSize().height() > r.height()) {
                    out << b->objectName() + ": picture";
                }
                continue;
            }
            text = b->text();
            room = r.width();
        } else if (const auto* g = qobject_cast<const QGroupBox*>(w)) {
            text = g->title();
            room = g->width() - 16;
        } else {
            continue;
        }
        if (text.endsWith(QChar(0x2026)) && w->toolTip().startsWith(text.chopped(1))) continue;
        const int needed = QFontMetrics(w->font()).size(Qt::TextShowMnemonic, text).width() + icon;
        if (needed > room)
            out << QStringLiteral("%1: \"%2\" %3 > %4")
                       .arg(w->objectName(), text)
                       .arg(needed)
                       .arg(room);
    }
    return out;
}

}  // namespace

// Every caption and picture of every window shows whole, at the scale the test runs at
// (CTest runs it at 1, 1.25 and 1.5).
class TestTextFit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QFont font = QApplication::font();  // as the program sets it
        font.setPixelSize(11);
        QApplication::setFont(font);
    }

    void everyCaptionShowsWhole_data() {
        QTest::addColumn<QString>("window");
        QTest::newRow("main window") << "main";
        QTest::newRow("main window, a node clicked") << "clicked";
        QTest::newRow("key editor") << "editor";
        QTest::newRow("countdown") << "countdown";
        QTest::newRow("printed totals page") << "print";
    }
    void everyCaptionShowsWhole() {
        QFETCH(QString, window);
        WindowRig rig;
        std::unique_ptr<QWidget> dialog;
        if (window == "clicked") rig.click(4);
        if (window == "editor")
            dialog = std::make_unique<dlgEdit>(rig.window.store(), 2, &rig.window);
        if (window == "countdown")
            dialog = std::make_unique<dlgWait>(rig.window.state(), 3, &rig.window);
        if (window == "print") {
            QTemporaryDir dir;
            auto page = std::make_unique<dlgPrint>();
            PdfFilePrinter(dir.filePath("page.pdf")).print(*page);
            dialog = std::move(page);
        } else if (dialog) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        }
        const QWidget& shown = dialog ? *dialog : static_cast<QWidget&>(rig.window);
        QVERIFY(!shown.findChildren<QLabel*>().isEmpty());
        const QStringList cut = cutOff(shown);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
    }
};

QTEST_MAIN(TestTextFit)
#include "TestTextFit.moc"
