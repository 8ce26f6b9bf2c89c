// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "trafficwindow.h"

#include "budgetdialog.h"
#include "historypage.h"
#include "livemodel.h"
#include "livepage.h"
#include "servicelink.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>

TrafficWindow::TrafficWindow(QWidget *parent)
    : QMainWindow(parent), m_link(new ServiceLink(this)), m_model(new LiveModel(this)),
      m_banner(new QLabel(this)), m_tabs(new QTabWidget(this)), m_live(new LivePage(m_model, this)),
      m_history(new HistoryPage(m_link, this))
{
    setWindowTitle(tr("Network Traffic"));
    m_banner->setObjectName(QStringLiteral("serviceState"));
    m_banner->setAccessibleName(tr("Service state"));
    m_banner->setWordWrap(true);
    m_banner->setFrameShape(QFrame::StyledPanel);
    m_banner->setMargin(6);
    m_banner->setText(tr("Connecting to the traffic service…"));

    m_tabs->setObjectName(QStringLiteral("views"));
    m_tabs->setAccessibleName(tr("Views"));
    m_tabs->addTab(m_live, tr("&Live"));
    m_tabs->addTab(m_history, tr("&History"));

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(m_banner);
    layout->addWidget(m_tabs, 1);
    setCentralWidget(central);

    auto *quit = new QAction(tr("Quit"), this);
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    addAction(quit);
    auto *budget = new QAction(tr("Budget"), this);
    budget->setShortcut(Qt::CTRL | Qt::Key_B);
    connect(budget, &QAction::triggered, this, &TrafficWindow::openBudgetDialog);
    addAction(budget);

    connect(m_link, &ServiceLink::speedsArrived, m_model, &LiveModel::takeSpeeds);
    connect(m_link, &ServiceLink::todayArrived, m_model, &LiveModel::takeToday);
    connect(m_link, &ServiceLink::budgetsArrived, m_model, &LiveModel::takeBudgets);
    connect(m_link, &ServiceLink::budgetsArrived, this,
            [this](const WardenBudgetList &budgets) { m_budgets = budgets; });
    connect(m_link, &ServiceLink::stateChanged, this, &TrafficWindow::showState);
    connect(m_live, &LivePage::budgetRequested, this, &TrafficWindow::openBudgetDialog);
    connect(m_live, &LivePage::historyRequested, this, [this](const QString &desktopId) {
        m_history->showApplication(desktopId);
        m_tabs->setCurrentWidget(m_history);
    });
    // The history is read when first shown, and again each time the service comes back.
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_tabs->widget(index) == m_history && m_history->view().period.isEmpty())
            m_history->reload();
    });
    resize(760, 560);
}

void TrafficWindow::showState()
{
    if (m_link->reachable()) {
        m_banner->hide();
        if (!m_history->view().period.isEmpty())
            m_history->reload();
        return;
    }
    m_banner->setText(tr("The traffic service cannot be reached; trying again every few "
                         "seconds.\n%1")
                          .arg(m_link->problem()));
    m_banner->show();
}

BudgetDialog *TrafficWindow::openBudgetDialog()
{
    const QModelIndex application = m_live->selectedApplication();
    auto *dialog = new BudgetDialog(m_link, application.data(LiveModel::DesktopIdRole).toString(),
                                    application.data().toString(), m_budgets, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &BudgetDialog::changed, m_link, &ServiceLink::askBudgets);
    dialog->open();
    return dialog;
}

void TrafficWindow::showView(const QString &view)
{
    m_tabs->setCurrentWidget(view == QLatin1String("history") ? static_cast<QWidget *>(m_history)
                                                              : m_live);
}

void TrafficWindow::screenshotLater(const QString &path, int delayMs)
{
    QTimer::singleShot(delayMs, this, [this, path] {
        const bool saved = grab().save(path, "PNG");
        if (!saved)
            QTextStream(stderr) << tr("%1 could not be written.").arg(path) << '\n';
        QApplication::exit(saved ? 0 : 1);
    });
}
