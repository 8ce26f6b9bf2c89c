// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "budgetdialog.h"

#include "applicationchoice.h"
#include "servicelink.h"
#include "whenanswered.h"

#include <QComboBox>
#include <QDBusPendingReply>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kMebibyte = 1024.0 * 1024;
constexpr double kGibibyte = 1024.0 * kMebibyte;
} // namespace

BudgetDialog::BudgetDialog(ServiceLink *link, const QString &desktopId, const QString &name,
                           const WardenBudgetList &budgets, QWidget *parent)
    : QDialog(parent), m_link(link), m_budgets(budgets), m_application(new QComboBox(this)),
      m_period(new QComboBox(this)), m_limit(new QDoubleSpinBox(this)), m_unit(new QComboBox(this)),
      m_warn(new QSpinBox(this)), m_cycleStart(new QSpinBox(this)), m_status(new QLabel(this)),
      m_set(new QPushButton(tr("&Set budget"), this)),
      m_clear(new QPushButton(tr("C&lear budget"), this))
{
    setWindowTitle(tr("Data Budget"));
    m_application->setObjectName(QStringLiteral("budgetApplication"));
    m_application->setAccessibleName(tr("Application"));
    m_application->addItem(tr("All traffic"), QString());
    if (!desktopId.isEmpty()) {
        m_application->addItem(name.isEmpty() ? desktopId : name, desktopId);
        m_application->setCurrentIndex(1);
    }
    m_period->setObjectName(QStringLiteral("budgetPeriod"));
    m_period->setAccessibleName(tr("Period"));
    m_period->addItem(tr("Each month"), QStringLiteral("month"));
    m_period->addItem(tr("Each day"), QStringLiteral("day"));
    m_limit->setObjectName(QStringLiteral("budgetLimit"));
    m_limit->setAccessibleName(tr("Limit"));
    m_limit->setRange(0.01, 1e6);
    m_limit->setValue(5);
    m_unit->setObjectName(QStringLiteral("budgetUnit"));
    m_unit->setAccessibleName(tr("Unit of the limit"));
    m_unit->addItem(QStringLiteral("MiB"), kMebibyte);
    m_unit->addItem(QStringLiteral("GiB"), kGibibyte);
    m_unit->setCurrentIndex(1);
    m_warn->setObjectName(QStringLiteral("budgetWarn"));
    m_warn->setAccessibleName(tr("Warning level"));
    m_warn->setRange(1, 100);
    m_warn->setValue(80);
    m_warn->setSuffix(tr(" %"));
    m_cycleStart->setObjectName(QStringLiteral("budgetCycleStart"));
    m_cycleStart->setAccessibleName(tr("First day of the monthly cycle"));
    m_cycleStart->setRange(1, 28);
    m_status->setObjectName(QStringLiteral("budgetStatus"));
    m_status->setAccessibleName(tr("Budget state"));
    m_status->setWordWrap(true);
    m_set->setAccessibleName(tr("Set the budget"));
    m_set->setDefault(true);
    m_clear->setAccessibleName(tr("Clear the budget"));

    auto *limit = new QHBoxLayout;
    limit->addWidget(m_limit, 1);
    limit->addWidget(m_unit);
    auto *form = new QFormLayout;
    form->addRow(tr("&Application:"), m_application);
    form->addRow(tr("&Period:"), m_period);
    form->addRow(tr("&Limit:"), limit);
    form->addRow(tr("&Warn at:"), m_warn);
    form->addRow(tr("&Cycle starts on day:"), m_cycleStart);
    // The form's label of a layout row has no buddy of its own.
    if (auto *label = qobject_cast<QLabel *>(form->labelForField(limit)))
        label->setBuddy(m_limit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_set, QDialogButtonBox::ApplyRole);
    buttons->addButton(m_clear, QDialogButtonBox::DestructiveRole);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("The service warns once when the traffic reaches the "
                                    "warning level and once at the limit. Budgets never "
                                    "block traffic."),
                                 this));
    layout->addLayout(form);
    layout->addWidget(m_status);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_set, &QPushButton::clicked, this, &BudgetDialog::send);
    connect(m_clear, &QPushButton::clicked, this, &BudgetDialog::clear);
    connect(m_application, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &BudgetDialog::fillIn);
    connect(m_period, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &BudgetDialog::fillIn);
    connect(link, &ServiceLink::budgetsArrived, this,
            [this](const WardenBudgetList &budgets) { m_budgets = budgets; });
    fillIn();
    askApplications();
}

void BudgetDialog::askApplications()
{
    using Reply = QDBusPendingReply<WardenApplicationList>;
    whenAnswered<Reply>(m_link->queries().GetApplications(), this, [this](const Reply &reply) {
        if (reply.isError())
            return;
        listApplications(m_application, reply.value(), true);
    });
}

const WardenBudget *BudgetDialog::chosen() const
{
    const QString id = m_application->currentData().toString();
    const QString period = m_period->currentData().toString();
    const auto found = std::find_if(m_budgets.cbegin(), m_budgets.cend(), [&](const auto &b) {
        return b.desktopId == id && b.period == period;
    });
    return found == m_budgets.cend() ? nullptr : &*found;
}

void BudgetDialog::fillIn()
{
    m_cycleStart->setEnabled(m_period->currentData() == QLatin1String("month"));
    const WardenBudget *found = chosen();
    if (!found) {
        m_status->setText(tr("No budget yet."));
        return;
    }
    const bool gibibytes = found->limitBytes >= kGibibyte;
    m_unit->setCurrentIndex(gibibytes ? 1 : 0);
    m_limit->setValue(found->limitBytes / (gibibytes ? kGibibyte : kMebibyte));
    m_warn->setValue(int(found->warnPercent));
    m_cycleStart->setValue(int(found->cycleStartDay));
    m_status->setText(tr("%1 % used since %2.")
                          .arg(std::floor(100.0 * found->usedBytes / found->limitBytes))
                          .arg(QLocale().toString(QDate::fromString(found->cycleStart, Qt::ISODate),
                                                  QLocale::ShortFormat)));
}

void BudgetDialog::send()
{
    const auto bytes =
        qulonglong(std::llround(m_limit->value() * m_unit->currentData().toDouble()));
    reportReply(m_link->queries().SetBudget(m_application->currentData().toString(),
                                            m_period->currentData().toString(), bytes,
                                            uint(m_warn->value()), uint(m_cycleStart->value())),
                tr("Budget set."));
}

void BudgetDialog::clear()
{
    reportReply(m_link->queries().ClearBudget(m_application->currentData().toString(),
                                              m_period->currentData().toString()),
                tr("Budget cleared."));
}

void BudgetDialog::reportReply(const QDBusPendingCall &call, const QString &done)
{
    m_status->setText(tr("Asking the traffic service…"));
    m_set->setEnabled(false);
    m_clear->setEnabled(false);
    whenAnswered<QDBusPendingReply<>>(call, this, [this, done](const QDBusPendingReply<> &reply) {
        m_set->setEnabled(true);
        m_clear->setEnabled(true);
        if (reply.isError()) {
            m_status->setText(tr("The traffic service refused: %1").arg(reply.error().message()));
            return;
        }
        m_status->setText(done);
        emit changed();
    });
}
