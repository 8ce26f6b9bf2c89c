// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "rendering.h"

#include "records/periodnames.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>

namespace {

// The first column is left-aligned, the others are figures and right-aligned,
// so every line comes out equally wide.
QStringList alignedLines(const QList<QStringList> &lines, int textColumns = 1)
{
    QVector<int> widths;
    for (const QStringList &line : lines) {
        widths.resize(std::max(widths.size(), line.size()));
        for (int column = 0; column < line.size(); ++column)
            widths[column] = std::max(widths[column], line[column].size());
    }
    QStringList text;
    for (const QStringList &line : lines) {
        QStringList cells;
        for (int column = 0; column < line.size(); ++column) {
            cells << (column < textColumns ? line[column].leftJustified(widths[column])
                                           : line[column].rightJustified(widths[column]));
        }
        text << cells.join(QStringLiteral("  "));
    }
    return text;
}

QString joinedLines(const QStringList &lines)
{
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString applicationName(const WardenDisplay &row)
{
    return row.appName.isEmpty() ? row.desktopName : row.appName;
}

// "(KiB)" for a fixed unit; human figures carry their own.
QString unitTitle(const QString &title, const ShowOptions &options, bool speed)
{
    if (options.units == Units::Human)
        return title;
    return QStringLiteral("%1 (%2%3)")
        .arg(title, unitSymbol(options.units), speed ? QStringLiteral("/s") : QString());
}

template <typename Row, typename Total>
QList<Row> ordered(QList<Row> rows, const ShowOptions &options, Total total)
{
    if (options.sortByTotal)
        std::stable_sort(rows.begin(), rows.end(),
                         [&](const Row &a, const Row &b) { return total(a) > total(b); });
    return rows;
}

double displayTotal(const WardenDisplay &row)
{
    return row.recvSum + row.sendSum;
}

QString displayTable(const QString &title, const WardenDisplayList &rows,
                     const ShowOptions &options, bool speed)
{
    const QString heading = unitTitle(title, options, speed);
    if (rows.isEmpty())
        return heading + QStringLiteral("\n(no applications)\n");
    const auto text = [&](double value) {
        return speed ? speedText(value, options.units) : amountText(value, options.units);
    };
    QList<QStringList> lines{{QStringLiteral("application"), QStringLiteral("received"),
                              QStringLiteral("sent"), QStringLiteral("total")}};
    for (const WardenDisplay &row : ordered(rows, options, displayTotal))
        lines << QStringList{applicationName(row), text(row.recvSum), text(row.sendSum),
                             text(displayTotal(row))};
    return heading + QLatin1Char('\n') + joinedLines(alignedLines(lines));
}

// Speed rows carry the latest sample in their texts; flow rows their figures in the sums.
WardenDisplayList speedFigures(WardenDisplayList rows)
{
    for (WardenDisplay &row : rows) {
        row.recvSum = row.recvText.toDouble();
        row.sendSum = row.sendText.toDouble();
    }
    return rows;
}

QString bar(double value, double largest)
{
    if (value <= 0 || largest <= 0)
        return {};
    // A row with any traffic keeps a visible mark, however small next to the largest.
    const int length = std::max(1, qRound(value / largest * kBarWidth));
    return QString(length, QLatin1Char('#'));
}

QJsonObject figures(double downloaded, double uploaded, double total, Units units)
{
    return {{QStringLiteral("downloaded"), fixedFigure(downloaded, units)},
            {QStringLiteral("uploaded"), fixedFigure(uploaded, units)},
            {QStringLiteral("total"), fixedFigure(total, units)}};
}

QJsonObject withFigures(QJsonObject object, const QJsonObject &figures)
{
    for (auto it = figures.begin(); it != figures.end(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

QString budgetApplication(const WardenBudget &budget)
{
    return budget.desktopId.isEmpty() ? QStringLiteral("all") : budget.desktopId;
}

// Whole percent, rounded down: 100 % only once the limit is reached.
qint64 usedPercent(const WardenBudget &budget)
{
    return budget.limitBytes == 0 ? 0 : qint64(budget.usedBytes * 100.0 / budget.limitBytes);
}

} // namespace

QString speedTable(const WardenDisplayList &rows, const ShowOptions &options)
{
    return displayTable(QStringLiteral("speed"), speedFigures(rows), options, true);
}

QString flowTable(const QString &title, const WardenDisplayList &rows, const ShowOptions &options)
{
    return displayTable(title, rows, options, false);
}

QString applicationsTable(const QString &title, const QList<ApplicationTotals> &applications,
                          const ShowOptions &options)
{
    const QString heading = unitTitle(title, options, false);
    if (applications.isEmpty())
        return heading + QStringLiteral("\n(no applications)\n");
    const auto total = [](const ApplicationTotals &a) { return a.downloaded + a.uploaded; };
    const auto text = [&](double value) { return amountText(value, options.units); };
    QList<QStringList> lines{{QStringLiteral("application"), QStringLiteral("desktop id"),
                              QStringLiteral("received"), QStringLiteral("sent"),
                              QStringLiteral("total")}};
    double downloaded = 0, uploaded = 0;
    for (const ApplicationTotals &app : ordered(applications, options, total)) {
        lines << QStringList{app.application.name, app.application.desktopId, text(app.downloaded),
                             text(app.uploaded), text(total(app))};
        downloaded += app.downloaded;
        uploaded += app.uploaded;
    }
    lines << QStringList{QStringLiteral("sum"), QString(), text(downloaded), text(uploaded),
                         text(downloaded + uploaded)};
    return heading + QLatin1Char('\n') + joinedLines(alignedLines(lines, 2));
}

QString historyTable(const HistoryView &view, const ShowOptions &options)
{
    QString text =
        QStringLiteral("%1 (%2), %3 from %4\n")
            .arg(view.name, view.appname, view.period, view.firstDay.toString(Qt::ISODate));
    if (options.units != Units::Human)
        text = text.trimmed() + QStringLiteral(", in %1\n").arg(unitSymbol(options.units));
    if (view.rows.isEmpty())
        return text + QStringLiteral("(no rows)\n");

    double largest = 0;
    for (const WardenAppFlow &row : view.rows)
        largest = std::max(largest, row.total);
    const auto figure = [&](double value) { return amountText(value, options.units); };
    QList<QStringList> lines{{view.daily() ? QStringLiteral("day") : QStringLiteral("hour"),
                              QStringLiteral("received"), QStringLiteral("sent"),
                              QStringLiteral("total")}};
    QStringList bars{QString()};
    const auto total = [](const WardenAppFlow &row) { return row.total; };
    for (const WardenAppFlow &row : ordered(view.rows, options, total)) {
        lines << QStringList{row.date, figure(row.downloaded), figure(row.uploaded),
                             figure(row.total)};
        bars << bar(row.total, largest);
    }
    lines << QStringList{QStringLiteral("sum"), figure(view.sum(&WardenAppFlow::downloaded)),
                         figure(view.sum(&WardenAppFlow::uploaded)),
                         figure(view.sum(&WardenAppFlow::total))};
    bars << QString();

    const QStringList table = alignedLines(lines);
    for (int i = 0; i < table.size(); ++i) {
        text += table.at(i);
        if (!bars.at(i).isEmpty())
            text += QStringLiteral("  ") + bars.at(i);
        text += QLatin1Char('\n');
    }
    return text;
}

QJsonArray speedJson(const WardenDisplayList &rows, const ShowOptions &options)
{
    return flowJson(speedFigures(rows), options);
}

QJsonArray flowJson(const WardenDisplayList &rows, const ShowOptions &options)
{
    QJsonArray array;
    for (const WardenDisplay &row : ordered(rows, options, displayTotal)) {
        const QJsonObject names{{QStringLiteral("appname"), row.desktopName},
                                {QStringLiteral("name"), applicationName(row)}};
        array.append(withFigures(
            names, figures(row.recvSum, row.sendSum, displayTotal(row), options.units)));
    }
    return array;
}

QByteArray applicationsJson(const QString &period, const QList<ApplicationTotals> &applications,
                            const ShowOptions &options)
{
    const auto total = [](const ApplicationTotals &a) { return a.downloaded + a.uploaded; };
    QJsonArray array;
    double downloaded = 0, uploaded = 0;
    for (const ApplicationTotals &app : ordered(applications, options, total)) {
        const QJsonObject names{{QStringLiteral("appname"), app.application.desktopId},
                                {QStringLiteral("name"), app.application.name},
                                {QStringLiteral("icon"), app.application.icon},
                                {QStringLiteral("desktopPath"), app.application.desktopPath}};
        array.append(
            withFigures(names, figures(app.downloaded, app.uploaded, total(app), options.units)));
        downloaded += app.downloaded;
        uploaded += app.uploaded;
    }
    const QJsonObject document{
        {QStringLiteral("period"), period},
        {QStringLiteral("unit"), unitSymbol(options.units)},
        {QStringLiteral("applications"), array},
        {QStringLiteral("sums"),
         figures(downloaded, uploaded, downloaded + uploaded, options.units)}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

QByteArray historyJson(const HistoryView &view, const ShowOptions &options)
{
    QJsonArray rows;
    const auto total = [](const WardenAppFlow &row) { return row.total; };
    for (const WardenAppFlow &row : ordered(view.rows, options, total)) {
        const QJsonObject names{{QStringLiteral("appname"), view.appname},
                                {QStringLiteral("name"), view.name},
                                {QStringLiteral("date"), view.rowDate(row)}};
        rows.append(
            withFigures(names, figures(row.downloaded, row.uploaded, row.total, options.units)));
    }
    const QJsonObject document{
        {QStringLiteral("appname"), view.appname},
        {QStringLiteral("name"), view.name},
        {QStringLiteral("period"), view.period},
        {QStringLiteral("firstDay"), view.firstDay.toString(Qt::ISODate)},
        {QStringLiteral("unit"), unitSymbol(options.units)},
        {QStringLiteral("rows"), rows},
        {QStringLiteral("sums"),
         figures(view.sum(&WardenAppFlow::downloaded), view.sum(&WardenAppFlow::uploaded),
                 view.sum(&WardenAppFlow::total), options.units)}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

QString budgetTable(const WardenBudgetList &budgets, const ShowOptions &options)
{
    const QString heading = unitTitle(QStringLiteral("budgets"), options, false);
    if (budgets.isEmpty())
        return heading + QStringLiteral("\n(no budgets)\n");
    const auto text = [&](quint64 bytes) { return amountText(bytes / 1024.0, options.units); };
    QList<QStringList> lines{{QStringLiteral("application"), QStringLiteral("period"),
                              QStringLiteral("cycle start"), QStringLiteral("used"),
                              QStringLiteral("limit"), QStringLiteral("percent"),
                              QStringLiteral("warn at")}};
    for (const WardenBudget &budget : budgets)
        lines << QStringList{budgetApplication(budget),
                             budget.period,
                             budget.cycleStart,
                             text(budget.usedBytes),
                             text(budget.limitBytes),
                             QStringLiteral("%1 %").arg(usedPercent(budget)),
                             QStringLiteral("%1 %").arg(budget.warnPercent)};
    return heading + QLatin1Char('\n') + joinedLines(alignedLines(lines, 3));
}

QByteArray budgetJson(const WardenBudgetList &budgets, const ShowOptions &options)
{
    QJsonArray array;
    for (const WardenBudget &budget : budgets)
        array.append(QJsonObject{
            {QStringLiteral("appname"), budgetApplication(budget)},
            {QStringLiteral("period"), budget.period},
            {QStringLiteral("cycleStart"), budget.cycleStart},
            {QStringLiteral("cycleStartDay"), qint64(budget.cycleStartDay)},
            {QStringLiteral("used"), fixedFigure(budget.usedBytes / 1024.0, options.units)},
            {QStringLiteral("limit"), fixedFigure(budget.limitBytes / 1024.0, options.units)},
            {QStringLiteral("percent"), usedPercent(budget)},
            {QStringLiteral("warnPercent"), qint64(budget.warnPercent)}});
    const QJsonObject document{{QStringLiteral("unit"), unitSymbol(options.units)},
                               {QStringLiteral("budgets"), array}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}
