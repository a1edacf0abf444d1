#pragma once

#include <QIconEngine>

// The computer tree's images drawn as paths at the size they are shown, so that they stay sharp at
// every screen scale.
class TStatusIconEngine : public QIconEngine {
public:
    enum class TKind { Group, Unreachable, Reachable, Unknown };

    explicit TStatusIconEngine(TKind kind) : m_kind(kind) {}

    static QIcon Icon(TKind kind);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;

private:
    void PaintFolder(QPainter* painter) const;
    void PaintComputer(QPainter* painter) const;

    TKind m_kind;
};
