// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "records/wardenbudget.h"

#include <QDBusPendingCall>
#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class ServiceLink;

// Sets or clears the budget of one application or of all traffic. The service answers
// asynchronously; its refusal is shown in the dialog.
class BudgetDialog : public QDialog
{
    Q_OBJECT
public:
    // Opens on `desktopId` (empty for all traffic), called `name`, filled in from `budgets`.
    BudgetDialog(ServiceLink *link, const QString &desktopId, const QString &name,
                 const WardenBudgetList &budgets, QWidget *parent = nullptr);

signals:
    // The service took a new or cleared budget.
    void changed();

private:
    void askApplications();
    // The budget of the chosen application and period, or none.
    const WardenBudget *chosen() const;
    void fillIn();
    void send();
    void clear();
    // Shows the service's answer to `call`: `done`, or why it refused.
    void reportReply(const QDBusPendingCall &call, const QString &done);

    ServiceLink *m_link;
    WardenBudgetList m_budgets;
    QComboBox *m_application;
    QComboBox *m_period;
    QDoubleSpinBox *m_limit;
    QComboBox *m_unit;
    QSpinBox *m_warn;
    QSpinBox *m_cycleStart;
    QLabel *m_status;
    QPushButton *m_set;
    QPushButton *m_clear;
};
