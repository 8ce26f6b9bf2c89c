// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStyledItemDelegate>

// Paints a row's budget (LiveModel::BudgetUseRole) as a progress bar: the palette's
// highlight below the warning level, amber from it, red from the limit.
class BudgetBarDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The bar's colour for `use` of the limit (1 at the limit) with a warning at `warn`.
    static QColor barColour(const QPalette &palette, double use, double warn);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
};
