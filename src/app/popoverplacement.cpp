#include "popoverplacement.h"

#include <algorithm>

using namespace Qt::StringLiterals;

QVariantMap PopoverPlacement::place(const QRectF &folder, const QSizeF &size, const QSizeF &area,
                                    qreal gapBelow, qreal gapAbove) const
{
    const qreal x = std::max(
            margin,
            std::min(folder.center().x() - size.width() / 2, area.width() - margin - size.width()));
    const qreal roomBelow = area.height() - margin - (folder.bottom() + gapBelow);
    const qreal roomAbove = folder.top() - gapAbove - margin;
    const bool above = roomBelow < size.height() && roomAbove > roomBelow;
    const qreal height = std::min(size.height(), std::max(0.0, above ? roomAbove : roomBelow));
    const qreal y = above ? folder.top() - gapAbove - height : folder.bottom() + gapBelow;
    const qreal arrowX = std::clamp(folder.center().x() - x, arrowInset,
                                    std::max(arrowInset, size.width() - arrowInset));
    return {{u"x"_s, x},
            {u"y"_s, y},
            {u"height"_s, height},
            {u"arrowX"_s, arrowX},
            {u"above"_s, above}};
}
