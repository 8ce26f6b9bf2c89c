// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "budgetbardelegate.h"

#include "livemodel.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionProgressBar>
#include <algorithm>

QColor BudgetBarDelegate::barColour(const QPalette &palette, double use, double warn)
{
    // Amber and red read as warnings on light and dark palettes alike.
    if (use >= 1)
        return QColor(0xd9, 0x2d, 0x20);
    if (use >= warn)
        return QColor(0xe8, 0x91, 0x0c);
    return palette.color(QPalette::Highlight);
}

void BudgetBarDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    const QVariant use = index.data(LiveModel::BudgetUseRole);
    if (!use.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear(); // the bar carries it
    QWidget *widget = const_cast<QWidget *>(option.widget);
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    QStyleOptionProgressBar bar;
    bar.rect = option.rect.adjusted(3, 3, -3, -3);
    bar.state = option.state | QStyle::State_Horizontal;
    bar.direction = option.direction;
    bar.fontMetrics = option.fontMetrics;
    bar.palette = option.palette;
    bar.palette.setColor(QPalette::Highlight,
                         barColour(option.palette, use.toDouble(),
                                   index.data(LiveModel::BudgetWarnRole).toDouble()));
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = std::clamp(qRound(use.toDouble() * 100), 0, 100);
    bar.text = index.data().toString();
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
}
