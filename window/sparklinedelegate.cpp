// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sparklinedelegate.h"

#include "livemodel.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>

void SparklineDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index); // background, focus and selection
    const auto samples = index.data(LiveModel::SparklineRole).value<QVector<double>>();
    if (samples.size() < 2)
        return;
    const double largest = *std::max_element(samples.cbegin(), samples.cend());
    const QRectF area = QRectF(option.rect).adjusted(3, 3, -3, -3);
    QPolygonF line;
    for (int i = 0; i < samples.size(); ++i) {
        const double share = largest > 0 ? samples.at(i) / largest : 0;
        line << QPointF(area.left() + area.width() * i / (samples.size() - 1),
                        area.bottom() - area.height() * share);
    }
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(
        option.palette.color(selected ? QPalette::HighlightedText : QPalette::Highlight), 1.5));
    painter->drawPolyline(line);
    painter->restore();
}

QSize SparklineDelegate::sizeHint(const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setWidth(std::max(size.width(), 2 * LiveModel::sparklineSamples));
    return size;
}
