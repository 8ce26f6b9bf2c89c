// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "livepage.h"

#include "budgetbardelegate.h"
#include "livemodel.h"
#include "sparklinedelegate.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

LivePage::LivePage(LiveModel *model, QWidget *parent)
    : QWidget(parent), m_search(new QLineEdit(this)), m_sorted(new QSortFilterProxyModel(this)),
      m_table(new QTableView(this))
{
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setPlaceholderText(tr("Search applications"));
    m_search->setAccessibleName(tr("Search applications"));
    m_search->setClearButtonEnabled(true);

    m_sorted->setSourceModel(model);
    m_sorted->setSortRole(LiveModel::SortRole);
    m_sorted->setFilterKeyColumn(LiveModel::Name);
    m_sorted->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_sorted->setDynamicSortFilter(true);
    connect(m_search, &QLineEdit::textChanged, m_sorted,
            &QSortFilterProxyModel::setFilterFixedString);

    m_table->setObjectName(QStringLiteral("applications"));
    m_table->setAccessibleName(tr("Applications"));
    m_table->setModel(m_sorted);
    m_table->setItemDelegateForColumn(LiveModel::Speed, new SparklineDelegate(m_table));
    m_table->setItemDelegateForColumn(LiveModel::Budget, new BudgetBarDelegate(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->setShowGrid(false);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(LiveModel::Name, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(LiveModel::Speed, QHeaderView::Fixed);
    m_table->horizontalHeader()->resizeSection(LiveModel::Speed, 2 * LiveModel::sparklineSamples);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(LiveModel::Speed, Qt::DescendingOrder);
    const auto open = [this](const QModelIndex &index) {
        emit historyRequested(index.data(LiveModel::DesktopIdRole).toString());
    };
    connect(m_table, &QTableView::activated, this, open);

    auto *find = new QAction(tr("Search"), this);
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, m_search, [this] { m_search->setFocus(); });
    addAction(find);

    auto *budget = new QPushButton(tr("&Budget…"), this);
    budget->setObjectName(QStringLiteral("budget"));
    budget->setAccessibleName(tr("Set the data budget of the selected application"));
    connect(budget, &QPushButton::clicked, this, &LivePage::budgetRequested);

    auto *top = new QHBoxLayout;
    top->addWidget(m_search, 1);
    top->addWidget(budget);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table);
    setFocusProxy(m_table);
}

QModelIndex LivePage::selectedApplication() const
{
    return m_table->selectionModel()->selectedRows(LiveModel::Name).value(0);
}
