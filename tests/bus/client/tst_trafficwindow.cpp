// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "budgetbardelegate.h"
#include "budgetdialog.h"
#include "historyfile.h"
#include "historypage.h"
#include "livemodel.h"
#include "queriesinterface.h"
#include "servicerig.h"
#include "testsupport.h"
#include "trafficwindow.h"

#include <QAbstractItemView>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedBarSeries>
#include <QTest>
#include <QValueAxis>
#include <memory>

using namespace TestSupport;
using namespace QtCharts;

// The window on a private session bus, against the real service fed by the peer simulator.
class TestTrafficWindow : public QObject
{
    Q_OBJECT

    ServiceRig m_rig;
    std::unique_ptr<TrafficWindow> m_window;

    void startService() { QVERIFY(m_rig.startService({}, QStringLiteral("@2024-03-15 10:00:00"))); }
    QAbstractItemModel *rows() const
    {
        return m_window->findChild<QAbstractItemView *>(QStringLiteral("applications"))->model();
    }
    QStringList column(int column) const
    {
        QStringList values;
        for (int row = 0; row < rows()->rowCount(); ++row)
            values << rows()->index(row, column).data(LiveModel::SortRole).toString();
        return values;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(HistoryFile::create(
            {"('firefox-esr.desktop','Firefox ESR','2024/03/15/08',3072,2048,1024)",
             "('firefox-esr.desktop','Firefox ESR','2024/03/15/09',1536,1024,512)",
             "('thunderbird.desktop','Thunderbird','2024/03/15/09',100,60,40)"}));
        QVERIFY(m_rig.startSimulator(QStringLiteral("peers/scenario.json"), false));
        startService();
        m_window = std::make_unique<TrafficWindow>();
        m_window->show();
    }

    void rowsNamesAndSorting()
    {
        // The simulated Firefox moves far more than Thunderbird.
        QTRY_VERIFY_WITH_TIMEOUT(
            rows()->rowCount() >= 2 && column(LiveModel::Speed).first().toDouble() > 0, 15000);
        QCOMPARE(rows()->index(0, LiveModel::Name).data().toString(),
                 QStringLiteral("Firefox ESR"));
        QVERIFY(column(LiveModel::Name).contains(QStringLiteral("thunderbird")));
        const QStringList speeds = column(LiveModel::Speed);
        for (int row = 1; row < speeds.size(); ++row)
            QVERIFY(speeds.at(row - 1).toDouble() >= speeds.at(row).toDouble());
        QVERIFY(
            !rows()->index(0, LiveModel::Name).data(Qt::DecorationRole).value<QIcon>().isNull());
        QTRY_VERIFY_WITH_TIMEOUT(column(LiveModel::Today).first().toDouble() >= 4608, 10000);

        auto *view = m_window->findChild<QAbstractItemView *>(QStringLiteral("applications"));
        view->selectionModel()->select(rows()->index(1, 0), QItemSelectionModel::ClearAndSelect |
                                                                QItemSelectionModel::Rows);
        const QString selected = rows()->index(1, LiveModel::Name).data().toString();
        QTest::qWait(2500); // two more speed lists
        QCOMPARE(view->selectionModel()->selectedRows().value(0).data().toString(), selected);

        rows()->sort(LiveModel::Name, Qt::AscendingOrder);
        QStringList names = column(LiveModel::Name);
        QStringList sortedNames = names;
        sortedNames.sort();
        QCOMPARE(names, sortedNames);
        m_window->findChild<QLineEdit *>(QStringLiteral("search"))
            ->setText(QStringLiteral("THUND"));
        QCOMPARE(column(LiveModel::Name), QStringList{QStringLiteral("thunderbird")});
        m_window->findChild<QLineEdit *>(QStringLiteral("search"))->clear();
    }

    void historyBarsEqualTheAnswer()
    {
        HistoryPage *page = m_window->historyPage();
        QSignalSpy loaded(page, &HistoryPage::loaded);
        page->reload();
        QVERIFY(loaded.wait(10000));
        page->showApplication(QStringLiteral("firefox-esr.desktop"));
        QTRY_COMPARE_WITH_TIMEOUT(page->view().appname, QStringLiteral("firefox-esr.desktop"),
                                  10000);

        TrafficQueriesInterface queries(kService, kPath, QDBusConnection::sessionBus());
        QDBusPendingReply<WardenAppFlowList, QString> answer =
            queries.GetAppHistory(QStringLiteral("firefox-esr.desktop"), QStringLiteral("today"));
        answer.waitForFinished();
        QVERIFY2(!answer.isError(), qPrintable(answer.error().message()));

        QChart *chart = page->findChild<QChartView *>(QStringLiteral("chart"))->chart();
        auto *series = qobject_cast<QStackedBarSeries *>(chart->series().value(0));
        QVERIFY(series);
        const QString unit = chart->axes(Qt::Vertical).value(0)->titleText();
        const double kib =
            QMap<QString, double>{{"B", 1.0 / 1024}, {"KiB", 1}, {"MiB", 1024}}.value(unit);
        QVERIFY2(kib > 0, qPrintable(unit));
        const WardenAppFlowList rows = answer.argumentAt<0>();
        QVERIFY(rows.size() > 9); // the hours before now hold the saved history
        QCOMPARE(series->barSets().value(0)->count(), rows.size());
        // Saves every few seconds add to the current hour only.
        for (int i = 0; i < rows.size() && !rows.at(i).date.startsWith(QLatin1String("10")); ++i) {
            QCOMPARE(qRound(series->barSets().at(0)->at(i) * kib), qRound(rows.at(i).downloaded));
            QCOMPARE(qRound(series->barSets().at(1)->at(i) * kib), qRound(rows.at(i).uploaded));
        }
    }

    void budgetDialogSetsAndClearsTheBarOfTheSelectedRow()
    {
        auto *view = m_window->findChild<QAbstractItemView *>(QStringLiteral("applications"));
        const int firefox = column(LiveModel::Name).indexOf(QStringLiteral("firefox esr"));
        view->selectionModel()->select(rows()->index(firefox, 0),
                                       QItemSelectionModel::ClearAndSelect |
                                           QItemSelectionModel::Rows);
        BudgetDialog *dialog = m_window->openBudgetDialog();
        const auto field = [&](const char *name) {
            return dialog->findChild<QWidget *>(QLatin1String(name));
        };
        QCOMPARE(qobject_cast<QComboBox *>(field("budgetApplication"))->currentData().toString(),
                 QStringLiteral("firefox-esr.desktop"));
        for (const char *name : {"budgetApplication", "budgetPeriod", "budgetLimit", "budgetUnit",
                                 "budgetWarn", "budgetCycleStart"})
            QVERIFY2(!field(name)->accessibleName().isEmpty(), name);
        qobject_cast<QComboBox *>(field("budgetPeriod"))->setCurrentIndex(1); // each day
        qobject_cast<QComboBox *>(field("budgetUnit"))->setCurrentText(QStringLiteral("MiB"));
        qobject_cast<QDoubleSpinBox *>(field("budgetLimit"))->setValue(1);
        auto *status = qobject_cast<QLabel *>(field("budgetStatus"));
        const QModelIndex bar = rows()->index(firefox, LiveModel::Budget);
        QTest::keyClick(dialog, Qt::Key_Return); // "Set budget" is the default button
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Budget set."), 5000);
        // Today's 4.5 MiB are past the limit of 1 MiB.
        QTRY_VERIFY_WITH_TIMEOUT(bar.data(LiveModel::BudgetUseRole).toDouble() > 4, 5000);
        QCOMPARE(BudgetBarDelegate::barColour(view->palette(), 4, 0.8), QColor(0xd9, 0x2d, 0x20));
        QCOMPARE(BudgetBarDelegate::barColour(view->palette(), 0.5, 0.8),
                 view->palette().color(QPalette::Highlight));

        for (auto *button : dialog->findChildren<QPushButton *>()) {
            if (button->accessibleName() == QStringLiteral("Clear the budget"))
                button->click();
        }
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Budget cleared."), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!bar.data(LiveModel::BudgetUseRole).isValid(), 5000);
        dialog->close();
    }

    void followsADarkPalette()
    {
        QPalette dark(QColor(0x30, 0x30, 0x30), QColor(0x20, 0x20, 0x20));
        dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
        dark.setColor(QPalette::WindowText, QColor(0xe0, 0xe0, 0xe0));
        dark.setColor(QPalette::Base, QColor(0x1c, 0x1c, 0x1c));
        dark.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x26));
        const QPalette before = QApplication::palette();
        QApplication::setPalette(dark);
        m_window->showView(QStringLiteral("history"));
        QChart *chart = m_window->findChild<QChartView *>(QStringLiteral("chart"))->chart();
        QCOMPARE(chart->backgroundBrush().color(), dark.color(QPalette::Base));
        QCOMPARE(chart->legend()->labelColor(), dark.color(QPalette::Text));
        for (QAbstractAxis *axis : chart->axes())
            QCOMPARE(axis->labelsBrush().color(), dark.color(QPalette::Text));
        // Nothing of the window stays light but its text: rows, bars, chart and frames.
        for (const QString &view : {QStringLiteral("live"), QStringLiteral("history")}) {
            m_window->showView(view);
            const QImage image = m_window->grab().toImage();
            int light = 0;
            for (int y = 0; y < image.height(); y += 4) {
                for (int x = 0; x < image.width(); x += 4)
                    light += QColor(image.pixel(x, y)).lightness() > 160;
            }
            QVERIFY2(light * 16 * 100 < image.width() * image.height() * 5,
                     qPrintable(view + QStringLiteral(": %1 light samples").arg(light)));
        }
        QApplication::setPalette(before);
        m_window->showView(QStringLiteral("live"));
    }

    void serviceGoesAwayAndComesBack()
    {
        auto *state = m_window->findChild<QLabel *>(QStringLiteral("serviceState"));
        QTRY_VERIFY(state->isHidden());
        m_rig.service().kill();
        m_rig.service().waitForFinished();
        QTRY_VERIFY_WITH_TIMEOUT(state->isVisible(), 15000);
        QVERIFY(state->text().contains(QStringLiteral("cannot be reached")));
        startService();
        QTRY_VERIFY_WITH_TIMEOUT(state->isHidden(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(column(LiveModel::Speed).first().toDouble() > 0, 10000);
    }

    void cleanupTestCase() { m_window.reset(); }
};

QTEST_MAIN(TestTrafficWindow)
#include "tst_trafficwindow.moc"
