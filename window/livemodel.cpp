// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "livemodel.h"

#include "presentation/units.h"

#include <QApplication>
#include <QStyle>
#include <cmath>

namespace {
QIcon applicationIcon(const QString &name)
{
    static const QIcon generic =
        QIcon::fromTheme(QStringLiteral("application-x-executable"),
                         QApplication::style()->standardIcon(QStyle::SP_DesktopIcon));
    return name.isEmpty() ? generic : QIcon::fromTheme(name, generic);
}
} // namespace

LiveModel::LiveModel(QObject *parent) : QAbstractTableModel(parent) {}

int LiveModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int LiveModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LiveModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    const int column = index.column();
    if (column == Budget)
        return budgetData(row, role);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        if (column == Name)
            return row.name;
        if (column == Today)
            return amountText(row.today, Units::Human);
        if (column == Speed && role == Qt::DisplayRole)
            return {}; // the sparkline says it
        return speedText(figure(row, column).toDouble(), Units::Human);
    case Qt::DecorationRole:
        return column == Name ? QVariant(row.icon) : QVariant();
    case Qt::TextAlignmentRole:
        return column == Name ? QVariant() : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case SortRole:
        return column == Name ? QVariant(row.name.toLower()) : figure(row, column);
    case SparklineRole:
        return QVariant::fromValue(row.samples);
    case DesktopIdRole:
        return row.desktopId;
    }
    return {};
}

QVariant LiveModel::figure(const Row &row, int column) const
{
    switch (column) {
    case Download:
        return row.download;
    case Upload:
        return row.upload;
    case Today:
        return row.today;
    default:
        return row.download + row.upload;
    }
}

QVariant LiveModel::budgetData(const Row &row, int role) const
{
    const auto found = m_budgets.constFind(row.desktopId);
    if (found == m_budgets.cend())
        return role == SortRole ? QVariant(-1.0) : QVariant();
    const WardenBudget &budget = *found;
    const double use = double(budget.usedBytes) / budget.limitBytes;
    switch (role) {
    case Qt::DisplayRole:
        return tr("%1 %").arg(std::floor(use * 100));
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return (budget.period == QLatin1String("day") ? tr("%1 of %2 today")
                                                      : tr("%1 of %2 this month"))
            .arg(amountText(budget.usedBytes / 1024.0, Units::Human),
                 amountText(budget.limitBytes / 1024.0, Units::Human));
    case SortRole:
    case BudgetUseRole:
        return use;
    case BudgetWarnRole:
        return budget.warnPercent / 100.0;
    case DesktopIdRole:
        return row.desktopId;
    }
    return {};
}

void LiveModel::takeBudgets(const WardenBudgetList &budgets)
{
    m_budgets.clear();
    for (const WardenBudget &budget : budgets) {
        if (budget.desktopId.isEmpty() || budget.limitBytes == 0)
            continue; // all traffic has no row of its own
        const auto shown = m_budgets.constFind(budget.desktopId);
        const auto use = [](const WardenBudget &b) { return double(b.usedBytes) / b.limitBytes; };
        if (shown == m_budgets.cend() || use(budget) > use(*shown))
            m_budgets.insert(budget.desktopId, budget);
    }
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, Budget), index(m_rows.size() - 1, Budget));
}

QVariant LiveModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole) {
        switch (section) {
        case Name:
            return tr("Application");
        case Download:
            return tr("Download");
        case Upload:
            return tr("Upload");
        case Today:
            return tr("Today");
        case Speed:
            return tr("Last minute");
        case Budget:
            return tr("Budget");
        }
    }
    if (role == Qt::ToolTipRole && section == Speed)
        return tr("Download and upload speed over the last 60 seconds");
    return {};
}

int LiveModel::rowOf(const WardenDisplay &display)
{
    const QString id = display.desktopName.isEmpty() ? display.appName : display.desktopName;
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).desktopId == id)
            return i;
    }
    beginInsertRows({}, m_rows.size(), m_rows.size());
    Row row;
    row.desktopId = id;
    row.name = display.appName.isEmpty() ? id : display.appName;
    row.icon = applicationIcon(display.icon);
    row.samples.fill(0, sparklineSamples);
    m_rows.append(row);
    endInsertRows();
    return m_rows.size() - 1;
}

void LiveModel::takeSpeeds(const WardenDisplayList &rows)
{
    QVector<bool> seen(m_rows.size());
    for (const WardenDisplay &display : rows) {
        const int i = rowOf(display);
        seen.resize(m_rows.size());
        seen[i] = true;
        // Speed rows carry the latest sample in their texts.
        m_rows[i].download = display.recvText.toDouble();
        m_rows[i].upload = display.sendText.toDouble();
    }
    for (int i = 0; i < m_rows.size(); ++i) {
        Row &row = m_rows[i];
        if (!seen.at(i))
            row.download = row.upload = 0;
        row.samples.removeFirst();
        row.samples.append(row.download + row.upload);
    }
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, Download), index(m_rows.size() - 1, Speed));
}

void LiveModel::takeToday(const WardenDisplayList &rows)
{
    for (const WardenDisplay &display : rows) {
        Row &row = m_rows[rowOf(display)];
        row.today = display.recvSum + display.sendSum;
    }
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, Today), index(m_rows.size() - 1, Today));
}
