// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "records/wardenbudget.h"

#include <QMainWindow>

class BudgetDialog;
class HistoryPage;
class LiveModel;
class LivePage;
class QLabel;
class QTabWidget;
class ServiceLink;

// "Network Traffic": the live view and the history view, with a line above them that says
// when the service cannot be reached.
class TrafficWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit TrafficWindow(QWidget *parent = nullptr);

    LiveModel *liveModel() const { return m_model; }
    HistoryPage *historyPage() const { return m_history; }
    // Brings the live view ("live") or the history view ("history") to the front.
    void showView(const QString &view);
    // Writes a picture of the window to `path` after `delayMs` of live figures, then quits.
    void screenshotLater(const QString &path, int delayMs);
    // Opens the budget dialog on the live view's selected application, or on all traffic.
    BudgetDialog *openBudgetDialog();

private:
    void showState();

    ServiceLink *m_link;
    LiveModel *m_model;
    QLabel *m_banner;
    QTabWidget *m_tabs;
    LivePage *m_live;
    HistoryPage *m_history;
    WardenBudgetList m_budgets;
};
