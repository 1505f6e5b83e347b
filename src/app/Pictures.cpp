#include "Pictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "widgets/TextFitter.h"

namespace nightaudit {
namespace {

// Draws on a 16 x 16 grid scaled to the rectangle asked for.
class DrawnIconEngine : public QIconEngine {
public:
    explicit DrawnIconEngine(Picture picture) : m_picture(picture) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        const QColor ink = mode == QIcon::Disabled ? QColor(150, 150, 150) : QColor(20, 20, 20);
        const QColor fill = mode == QIcon::Disabled ? QColor(215, 215, 215) : QColor(60, 110, 200);
        painter->setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        draw(*painter, ink, fill);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new DrawnIconEngine(m_picture); }

private:
    // A filled arrow along the line from (x1, y1) to (x2, y2), its head at the end.
    static void arrow(QPainter& p, QColor fill, QPointF from, QPointF to) {
        const QPointF along = (to - from) / QLineF(from, to).length();
        const QPointF back = to - along * 5.5;
        const QPointF side(-along.y() * 4.0, along.x() * 4.0);
        p.drawLine(from, back);
        QPainterPath tip;
        tip.moveTo(to);
        tip.lineTo(back + side);
        tip.lineTo(back - side);
        tip.closeSubpath();
        p.setBrush(fill);
        p.drawPath(tip);
    }

    void draw(QPainter& p, QColor ink, QColor fill) const {
        switch (m_picture) {
            case Picture::Narrow:
                arrow(p, fill, {14, 8}, {2, 8});
                break;
            case Picture::Wide:
                arrow(p, fill, {2, 8}, {14, 8});
                break;
            case Picture::DockLow:
                arrow(p, fill, {8, 1.5}, {8, 12});
                p.drawLine(QPointF(2, 14.5), QPointF(14, 14.5));
                break;
            case Picture::ShortLog:  // a clock: the stopwatch the shorter log shows again
                p.setBrush(Qt::white);
                p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
                p.drawLine(QPointF(8, 8), QPointF(8, 3.5));
                p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
                break;
            case Picture::Print:
                p.setBrush(Qt::white);
                p.drawRect(QRectF(4.5, 1.5, 7, 5));  // the paper
                p.setBrush(fill);
                p.drawRect(QRectF(1.5, 6.5, 13, 6));  // the printer
                p.setBrush(Qt::white);
                p.drawRect(QRectF(4.5, 10.5, 7, 4));  // the page coming out
                break;
            case Picture::EditKeys: {  // a pencil
                QPainterPath pencil;
                pencil.moveTo(2, 14);
                pencil.lineTo(3, 10.5);
                pencil.lineTo(11.5, 2);
                pencil.lineTo(14, 4.5);
                pencil.lineTo(5.5, 13);
                pencil.closeSubpath();
                p.setBrush(QColor(235, 180, 40));
                p.drawPath(pencil);
                p.setBrush(ink);
                p.drawPolygon(QPolygonF({{2, 14}, {2.6, 11.9}, {4.1, 13.4}}));
                break;
            }
        }
    }

    Picture m_picture;
};

}  // namespace

QIcon drawnIcon(Picture picture) {
    return QIcon(new DrawnIconEngine(picture));
}

PictureButton::PictureButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setProperty(kPictureOnly, true);
}

void PictureButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    QRect picture(QPoint(0, 0), iconSize().boundedTo(contents.size()));
    picture.moveCenter(contents.center());
    if (isDown()) picture.translate(1, 1);
    icon().paint(&painter, picture, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

}  // namespace nightaudit
