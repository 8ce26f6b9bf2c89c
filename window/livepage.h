// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

class LiveModel;
class QLineEdit;
class QModelIndex;
class QSortFilterProxyModel;
class QTableView;

// Every application's speeds and today's total, with a search field above them.
class LivePage : public QWidget
{
    Q_OBJECT
public:
    explicit LivePage(LiveModel *model, QWidget *parent = nullptr);

    // The selected row's application (column Name), or an invalid index.
    QModelIndex selectedApplication() const;

signals:
    // The person asked for the budget dialog, on the selected row's application if any.
    void budgetRequested();
    // The person asked for an application's history (Enter or a double click on its row).
    void historyRequested(const QString &desktopId);

private:
    QLineEdit *m_search;
    QSortFilterProxyModel *m_sorted;
    QTableView *m_table;
};
