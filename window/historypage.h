// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "presentation/historyview.h"

#include <QPointer>
#include <QWidget>

class HistoryRequest;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class ServiceLink;
namespace QtCharts {
class QChart;
class QChartView;
} // namespace QtCharts

// One application's or all applications' history over a period: stacked received and sent
// bars, the period's sum and, for all applications, the top consumers.
class HistoryPage : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryPage(ServiceLink *link, QWidget *parent = nullptr);

    // Shows the history of `desktopId`, or of all applications for an empty id.
    void showApplication(const QString &desktopId);
    // The chart as the command-line client's --png draws it.
    bool exportPng(const QString &path) const;
    const HistoryView &view() const { return m_view; }

public slots:
    void reload();

signals:
    void loaded();

protected:
    void changeEvent(QEvent *event) override;

private:
    void askApplications();
    void show(const HistoryView &view, const WardenDisplayList &totals);
    void showRanking(const WardenDisplayList &totals);
    void exportChosen();
    void followPalette();

    ServiceLink *m_link;
    QComboBox *m_application;
    QComboBox *m_period;
    QPushButton *m_refresh;
    QPushButton *m_export;
    QLabel *m_sum;
    QtCharts::QChartView *m_chartView;
    QtCharts::QChart *m_chart;
    QLabel *m_rankingTitle;
    QTreeWidget *m_ranking;
    QPointer<HistoryRequest> m_request;
    HistoryView m_view;
};
