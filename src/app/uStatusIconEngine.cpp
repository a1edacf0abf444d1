#include "uStatusIconEngine.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// Every image is drawn on a 16 by 16 grid and scaled to the rectangle asked for.
constexpr qreal kGrid = 16.0;

QColor ScreenColour(TStatusIconEngine::TKind kind) {
    switch (kind) {
    case TStatusIconEngine::TKind::Reachable:
        return QColor(0x3f, 0xae, 0x49);
    case TStatusIconEngine::TKind::Unreachable:
        return QColor(0x4a, 0x4a, 0x4a);
    default:
        return QColor(0xd0, 0xd0, 0xd0);
    }
}

} // namespace

QIcon TStatusIconEngine::Icon(TKind kind) {
    return QIcon(new TStatusIconEngine(kind));
}

void TStatusIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(rect.width(), rect.height());
    painter->translate(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0);
    painter->scale(side / kGrid, side / kGrid);
    if (mode == QIcon::Disabled)
        painter->setOpacity(0.45);
    if (m_kind == TKind::Group)
        PaintFolder(painter);
    else
        PaintComputer(painter);
    painter->restore();
}

void TStatusIconEngine::PaintFolder(QPainter* painter) const {
    QPainterPath folder;
    folder.moveTo(1.5, 3.5);
    folder.lineTo(6.0, 3.5);
    folder.lineTo(7.5, 5.0);
    folder.lineTo(14.5, 5.0);
    folder.lineTo(14.5, 13.5);
    folder.lineTo(1.5, 13.5);
    folder.closeSubpath();
    painter->setPen(QPen(QColor(0xa0, 0x78, 0x18), 1.0));
    painter->setBrush(QColor(0xf0, 0xc0, 0x50));
    painter->drawPath(folder);
    painter->drawLine(QPointF(1.5, 6.5), QPointF(14.5, 6.5));
}

void TStatusIconEngine::PaintComputer(QPainter* painter) const {
    const QColor outline(0x30, 0x30, 0x30);
    painter->setPen(QPen(outline, 1.0));
    painter->setBrush(ScreenColour(m_kind));
    painter->drawRoundedRect(QRectF(1.5, 2.5, 13.0, 9.0), 1.0, 1.0);
    painter->setBrush(outline);
    painter->drawRect(QRectF(6.5, 11.5, 3.0, 1.5));
    painter->drawRect(QRectF(4.5, 13.0, 7.0, 1.5));

    if (m_kind == TKind::Unreachable) {
        // a red bar across the dark screen: switched off or not answering
        painter->setPen(QPen(QColor(0xd0, 0x30, 0x30), 2.0, Qt::SolidLine, Qt::RoundCap));
        painter->drawLine(QPointF(5.0, 7.0), QPointF(11.0, 7.0));
    } else if (m_kind == TKind::Unknown) {
        QFont font;
        font.setPixelSize(8);
        font.setBold(true);
        QPainterPath mark;
        mark.addText(0, 0, font, QStringLiteral("?"));
        const QRectF box = mark.boundingRect();
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0x50, 0x50, 0x50));
        painter->drawPath(mark.translated(8.0 - box.center().x(), 7.0 - box.center().y()));
    }
}

QIconEngine* TStatusIconEngine::clone() const {
    return new TStatusIconEngine(m_kind);
}
