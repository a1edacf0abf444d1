#pragma once

#include <QRect>

// A stored window rectangle moved and, where it is larger, shrunk into the screen's available area,
// so that a placement saved on another screen or at another scale opens whole and reachable. A
// rectangle that already lies inside stays as it is.
QRect FitIntoScreen(const QRect& placement, const QRect& available);
