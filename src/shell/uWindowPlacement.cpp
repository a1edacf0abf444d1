#include "uWindowPlacement.h"

#include <algorithm>

QRect FitIntoScreen(const QRect& placement, const QRect& available) {
    if (!available.isValid())
        return placement;
    QRect result(placement.topLeft(), QSize(std::min(placement.width(), available.width()),
                                            std::min(placement.height(), available.height())));
    result.moveLeft(std::clamp(result.left(), available.left(), available.right() - result.width() + 1));
    result.moveTop(std::clamp(result.top(), available.top(), available.bottom() - result.height() + 1));
    return result;
}
