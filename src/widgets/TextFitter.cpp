#include "TextFitter.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QVariant>

namespace nightaudit {
namespace {

// Dynamic properties that remember what fitting changed, so a control fitted again
// starts from its own face and its whole text.
constexpr char kFace[] = "nightaudit_face";
constexpr char kWhole[] = "nightaudit_whole";
constexpr char kShown[] = "nightaudit_shown";

// The room a control has for its text, in logical pixels; -1 for controls not fitted.
int room(const QWidget* w) {
    if (const auto* l = qobject_cast<const QLabel*>(w)) {
        if (l->wordWrap() || l->textFormat() == Qt::RichText || !l->pixmap().isNull()) return -1;
        return l->contentsRect().width() - 2 * l->margin();
    }
    if (const auto* c = qobject_cast<const QCheckBox*>(w)) {
        QStyleOptionButton option;
        option.initFrom(c);
        option.text = c->text();
        return c->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, c).width();
    }
    if (w->property(kPictureOnly).toBool()) return -1;  // shows no caption
    if (const auto* b = qobject_cast<const QPushButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(b);
        if (b->isDefault()) option.features |= QStyleOptionButton::DefaultButton;
        int width = b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b).width();
        if (!b->icon().isNull()) width -= b->iconSize().width() + 4;
        return width;
    }
    if (const auto* g = qobject_cast<const QGroupBox*>(w)) return g->width() - 16;
    return -1;
}

QString textOf(const QWidget* w) {
    if (const auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (const auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    return {};
}

void setTextOf(QWidget* w, const QString& text) {
    if (auto* l = qobject_cast<QLabel*>(w)) return l->setText(text);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->setText(text);
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->setTitle(text);
}

int needed(const QFont& font, const QString& text) {
    return QFontMetrics(font).size(Qt::TextShowMnemonic, text).width();
}

}  // namespace

void fitText(QWidget* w) {
    const int width = room(w);
    if (width < 0) return;
    // A text set since the last fitting is the control's whole text now.
    QString text = textOf(w);
    if (w->property(kShown).toString() == text && w->property(kWhole).isValid()) {
        text = w->property(kWhole).toString();
    } else if (w->property(kWhole).isValid()) {
        if (w->toolTip() == w->property(kWhole).toString()) w->setToolTip(QString());
        w->setProperty(kWhole, QVariant());
    }
    if (!w->property(kFace).isValid()) w->setProperty(kFace, w->font());
    QFont font = w->property(kFace).value<QFont>();
    // Measuring a caption lays it out: each size is measured once.
    int need = needed(font, text);
    if (need > width) {
        int pixels = QFontInfo(font).pixelSize();
        while (need > width && pixels > kSmallestPixels) {
            font.setPixelSize(--pixels);
            need = needed(font, text);
        }
    }
    w->setFont(font);
    if (need <= width) {
        if (textOf(w) != text) setTextOf(w, text);
        return;
    }
    QString plain = text;
    plain.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    const QString shown = QFontMetrics(font).elidedText(plain, Qt::ElideRight, width);
    setTextOf(w, shown);
    w->setProperty(kWhole, text);
    w->setProperty(kShown, shown);
    w->setToolTip(plain);
}

void fitTexts(QWidget* root) {
    fitText(root);
    for (QWidget* w : root->findChildren<QWidget*>()) fitText(w);
}

bool TextFitter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow()) fitTexts(w);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace nightaudit
