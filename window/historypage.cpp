// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "historypage.h"

#include "applicationchoice.h"
#include "historyrequest.h"
#include "presentation/historychart.h"
#include "presentation/units.h"
#include "servicelink.h"
#include "whenanswered.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QDBusPendingReply>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

using namespace QtCharts;

namespace {
constexpr int kTopConsumers = 10;

QString periodTitle(const QString &period)
{
    if (period == QLatin1String("yesterday"))
        return HistoryPage::tr("Yesterday");
    if (period == QLatin1String("month"))
        return HistoryPage::tr("This month");
    if (period == QLatin1String("last-month"))
        return HistoryPage::tr("Last month");
    return HistoryPage::tr("Today");
}
} // namespace

HistoryPage::HistoryPage(ServiceLink *link, QWidget *parent)
    : QWidget(parent), m_link(link), m_application(new QComboBox(this)),
      m_period(new QComboBox(this)), m_refresh(new QPushButton(tr("&Refresh"), this)),
      m_export(new QPushButton(tr("&Export as PNG…"), this)), m_sum(new QLabel(this)),
      m_chartView(new QChartView(this)), m_chart(new QChart),
      m_rankingTitle(new QLabel(tr("Top consumers"), this)), m_ranking(new QTreeWidget(this))
{
    m_application->setObjectName(QStringLiteral("application"));
    m_application->setAccessibleName(tr("Application"));
    m_application->addItem(tr("All applications"), QString());
    m_period->setObjectName(QStringLiteral("period"));
    m_period->setAccessibleName(tr("Period"));
    for (const char *period : {"today", "yesterday", "month", "last-month"})
        m_period->addItem(periodTitle(QLatin1String(period)), QLatin1String(period));
    m_refresh->setAccessibleName(tr("Refresh the history"));
    m_refresh->setShortcut(QKeySequence::Refresh);
    m_export->setAccessibleName(tr("Export the chart as PNG"));
    m_sum->setObjectName(QStringLiteral("sum"));
    m_sum->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);

    m_chart->legend()->setAlignment(Qt::AlignTop);
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chartView->setObjectName(QStringLiteral("chart"));
    m_chartView->setAccessibleName(tr("History chart"));
    m_chartView->setChart(m_chart);
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumHeight(240);

    m_rankingTitle->setBuddy(m_ranking);
    m_ranking->setObjectName(QStringLiteral("ranking"));
    m_ranking->setAccessibleName(tr("Top consumers"));
    m_ranking->setRootIsDecorated(false);
    m_ranking->setHeaderLabels({tr("Application"), tr("Received"), tr("Sent"), tr("Total")});
    m_ranking->header()->setStretchLastSection(false);
    m_ranking->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 4; ++column)
        m_ranking->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    m_ranking->setMaximumHeight(180);

    auto *choices = new QHBoxLayout;
    auto *applicationLabel = new QLabel(tr("&Application:"), this);
    applicationLabel->setBuddy(m_application);
    auto *periodLabel = new QLabel(tr("&Period:"), this);
    periodLabel->setBuddy(m_period);
    choices->addWidget(applicationLabel);
    choices->addWidget(m_application, 1);
    choices->addWidget(periodLabel);
    choices->addWidget(m_period);
    choices->addWidget(m_refresh);
    choices->addWidget(m_export);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(m_sum);
    layout->addWidget(m_chartView, 1);
    layout->addWidget(m_rankingTitle);
    layout->addWidget(m_ranking);

    connect(m_application, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &HistoryPage::reload);
    connect(m_period, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &HistoryPage::reload);
    connect(m_refresh, &QPushButton::clicked, this, [this] {
        askApplications();
        reload();
    });
    connect(m_export, &QPushButton::clicked, this, &HistoryPage::exportChosen);
    followPalette();
}

void HistoryPage::showApplication(const QString &desktopId)
{
    const int index = m_application->findData(desktopId);
    if (index >= 0)
        m_application->setCurrentIndex(index);
}

void HistoryPage::askApplications()
{
    using Reply = QDBusPendingReply<WardenApplicationList>;
    whenAnswered<Reply>(m_link->queries().GetApplications(), this, [this](const Reply &reply) {
        if (reply.isError())
            return;
        listApplications(m_application, reply.value(), false);
    });
}

void HistoryPage::reload()
{
    if (m_application->count() == 1)
        askApplications();
    if (m_request)
        m_request->deleteLater(); // its answers are no longer wanted
    const QString id = m_application->currentData().toString();
    m_request = new HistoryRequest(m_link->queries(), id, m_application->currentText(),
                                   m_period->currentData().toString(), this);
    connect(m_request, &HistoryRequest::finished, this, &HistoryPage::show);
    connect(m_request, &HistoryRequest::failed, this, [this](const QString &error) {
        m_sum->setText(tr("The history could not be read: %1").arg(error));
    });
}

void HistoryPage::show(const HistoryView &view, const WardenDisplayList &totals)
{
    m_view = view;
    m_chart->removeAllSeries();
    // The chart gives removed axes back to us rather than deleting them.
    for (QAbstractAxis *axis : m_chart->axes()) {
        m_chart->removeAxis(axis);
        delete axis;
    }

    double largest = 0;
    for (const WardenAppFlow &row : view.rows)
        largest = std::max(largest, row.downloaded + row.uploaded);
    const Units unit = humanUnit(largest);
    auto *received = new QBarSet(tr("Received"));
    auto *sent = new QBarSet(tr("Sent"));
    received->setColor(QColor(kReceivedColour));
    sent->setColor(QColor(kSentColour));
    received->setBorderColor(QColor(kReceivedColour));
    sent->setBorderColor(QColor(kSentColour));
    QStringList labels;
    for (const WardenAppFlow &row : view.rows) {
        *received << fixedFigure(row.downloaded, unit);
        *sent << fixedFigure(row.uploaded, unit);
        labels << view.rowLabel(row);
    }
    auto *series = new QStackedBarSeries;
    series->append(received);
    series->append(sent);
    const auto explain = [this](bool on, int index) {
        if (!on || index < 0 || index >= m_view.rows.size()) {
            QToolTip::hideText();
            return;
        }
        const WardenAppFlow &row = m_view.rows.at(index);
        QToolTip::showText(QCursor::pos(),
                           tr("%1\nReceived: %2\nSent: %3\nTotal: %4")
                               .arg(m_view.rowDate(row), amountText(row.downloaded, Units::Human),
                                    amountText(row.uploaded, Units::Human),
                                    amountText(row.total, Units::Human)),
                           m_chartView);
    };
    connect(series, &QStackedBarSeries::hovered, this,
            [explain](bool on, int index, QBarSet *) { explain(on, index); });
    m_chart->addSeries(series);

    auto *x = new QBarCategoryAxis;
    x->append(labels);
    x->setTitleText(view.daily() ? tr("Day of the month") : tr("Hour of the day"));
    auto *y = new QValueAxis;
    y->setTitleText(unitSymbol(unit));
    y->setRange(0, largest > 0 ? fixedFigure(largest, unit) : 1);
    y->setLabelFormat(QStringLiteral("%g"));
    m_chart->addAxis(x, Qt::AlignBottom);
    m_chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    y->applyNiceNumbers();
    followPalette();

    m_sum->setText(tr("%1 from %2: %3 in all, %4 received and %5 sent")
                       .arg(periodTitle(view.period), QLocale().toString(view.firstDay),
                            amountText(view.sum(&WardenAppFlow::total), Units::Human),
                            amountText(view.sum(&WardenAppFlow::downloaded), Units::Human),
                            amountText(view.sum(&WardenAppFlow::uploaded), Units::Human)));
    m_chartView->setAccessibleDescription(m_sum->text());
    m_rankingTitle->setVisible(view.appname.isEmpty());
    m_ranking->setVisible(view.appname.isEmpty());
    showRanking(totals);
    emit loaded();
}

void HistoryPage::showRanking(const WardenDisplayList &totals)
{
    WardenDisplayList ranked = totals;
    const auto total = [](const WardenDisplay &row) { return row.recvSum + row.sendSum; };
    std::stable_sort(ranked.begin(), ranked.end(),
                     [&](const auto &a, const auto &b) { return total(a) > total(b); });
    m_ranking->clear();
    for (const WardenDisplay &row : ranked.mid(0, kTopConsumers)) {
        if (total(row) <= 0)
            break;
        auto *item =
            new QTreeWidgetItem(m_ranking, {row.appName.isEmpty() ? row.desktopName : row.appName,
                                            amountText(row.recvSum, Units::Human),
                                            amountText(row.sendSum, Units::Human),
                                            amountText(total(row), Units::Human)});
        for (int column = 1; column < 4; ++column)
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
}

bool HistoryPage::exportPng(const QString &path) const
{
    return historyChart(m_view, Units::Human).save(path, "PNG");
}

void HistoryPage::exportChosen()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export the chart"),
        QStringLiteral("%1-%2.png")
            .arg(m_view.appname.isEmpty() ? QStringLiteral("all") : m_view.appname, m_view.period),
        tr("PNG images (*.png)"));
    if (!path.isEmpty() && !exportPng(path))
        QMessageBox::warning(this, tr("Export the chart"),
                             tr("%1 could not be written.").arg(path));
}

void HistoryPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        followPalette();
}

void HistoryPage::followPalette()
{
    // The chart draws itself; give it the desktop's colours and font, the bars keep theirs.
    const QPalette palette = this->palette();
    m_chart->setBackgroundBrush(palette.brush(QPalette::Base));
    m_chart->setBackgroundPen(Qt::NoPen);
    m_chart->legend()->setLabelColor(palette.color(QPalette::Text));
    m_chart->legend()->setFont(font());
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    for (QAbstractAxis *axis : m_chart->axes()) {
        axis->setLabelsBrush(palette.brush(QPalette::Text));
        // 24 hours or 31 days side by side need a smaller type to fit.
        axis->setLabelsFont(axis->orientation() == Qt::Horizontal ? small : font());
        axis->setTitleBrush(palette.brush(QPalette::Text));
        axis->setTitleFont(font());
        axis->setLinePenColor(palette.color(QPalette::Mid));
        axis->setGridLineColor(palette.color(QPalette::Midlight));
    }
}
