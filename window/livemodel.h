// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "records/wardenrecords.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QVector>

// One row per application seen in the speed list or today's totals, updated in place: rows are
// only ever added, and new figures change data, never the row order, so that views keep their
// selection and scroll position.
class LiveModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Name, Download, Upload, Today, Speed, Budget, ColumnCount };
    enum Role {
        SortRole = Qt::UserRole, // the bare figure, for sorting
        SparklineRole,           // QVector<double>: the last samples, oldest first, in KiB/s
        DesktopIdRole,
        BudgetUseRole,  // the budget's use over its limit, 1 at the limit; none without one
        BudgetWarnRole, // the share of the limit the budget warns at
    };
    static constexpr int sparklineSamples = 60;

    explicit LiveModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // A speed list: every application's latest speeds, one sample more in every sparkline.
    void takeSpeeds(const WardenDisplayList &rows);
    // Today's totals.
    void takeToday(const WardenDisplayList &rows);
    // The budgets; a row shows the one of its application nearest its limit.
    void takeBudgets(const WardenBudgetList &budgets);

private:
    struct Row
    {
        QString desktopId;
        QString name;
        QIcon icon;
        double download = 0;
        double upload = 0;
        double today = 0;
        QVector<double> samples;
    };

    int rowOf(const WardenDisplay &display);
    QVariant figure(const Row &row, int column) const;
    QVariant budgetData(const Row &row, int role) const;

    QVector<Row> m_rows;
    QHash<QString, WardenBudget> m_budgets; // by desktop id
};
