#include "rendering.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>

namespace {

QString figure(double value)
{
    return QString::number(value, 'f', 2);
}

// The first column is left-aligned, the others are figures and right-aligned,
// so every line comes out equally wide.
QStringList alignedLines(const QList<QStringList> &lines)
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
            cells << (column == 0 ? line[column].leftJustified(widths[column])
                                  : line[column].rightJustified(widths[column]));
        }
        text << cells.join(QStringLiteral("  "));
    }
    return text;
}

QString applicationName(const WardenDisplay &row)
{
    return row.appName.isEmpty() ? row.desktopName : row.appName;
}

QString displayTable(const QString &title, const QList<QStringList> &rows)
{
    if (rows.isEmpty())
        return title + QStringLiteral("\n(no applications)\n");
    QList<QStringList> lines{{QStringLiteral("application"), QStringLiteral("received"),
                              QStringLiteral("sent"), QStringLiteral("total")}};
    lines += rows;
    return title + QLatin1Char('\n') + alignedLines(lines).join(QLatin1Char('\n')) +
           QLatin1Char('\n');
}

QString displayName(const WardenAppFlowList &rows)
{
    for (auto row = rows.crbegin(); row != rows.crend(); ++row) {
        if (!row->sname.isEmpty())
            return row->sname;
    }
    return {};
}

struct Sums
{
    double downloaded = 0;
    double uploaded = 0;
    double total = 0;
};

Sums sumsOf(const WardenAppFlowList &rows)
{
    Sums sums;
    for (const WardenAppFlow &row : rows) {
        sums.downloaded += row.downloaded;
        sums.uploaded += row.uploaded;
        sums.total += row.total;
    }
    return sums;
}

QString bar(double value, double largest)
{
    if (value <= 0 || largest <= 0)
        return {};
    // A row with any traffic keeps a visible mark, however small next to the largest.
    const int length = std::max(1, qRound(value / largest * kBarWidth));
    return QString(length, QLatin1Char('#'));
}

} // namespace

QString speedTable(const WardenDisplayList &rows)
{
    QList<QStringList> lines;
    for (const WardenDisplay &row : rows) {
        const double total = row.recvText.toDouble() + row.sendText.toDouble();
        lines << QStringList{applicationName(row), row.recvText, row.sendText, figure(total)};
    }
    return displayTable(QStringLiteral("speed (kB/s)"), lines);
}

QString flowTable(const WardenDisplayList &rows)
{
    QList<QStringList> lines;
    for (const WardenDisplay &row : rows)
        lines << QStringList{applicationName(row), row.recvText, row.sendText, row.totalText};
    return displayTable(QStringLiteral("flow (kB)"), lines);
}

QString historyTable(const QString &app, Period period, const WardenAppFlowList &rows)
{
    const QString name = displayName(rows);
    QString text = QStringLiteral("%1%2, %3, in kB\n")
                       .arg(app, name.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(name),
                            periodName(period));
    if (rows.isEmpty())
        return text + QStringLiteral("(no rows)\n");

    double largest = 0;
    for (const WardenAppFlow &row : rows)
        largest = std::max(largest, row.total);
    const bool daily = period == Period::ThisMonth || period == Period::LastMonth;
    QList<QStringList> lines{{daily ? QStringLiteral("day") : QStringLiteral("hour"),
                              QStringLiteral("received"), QStringLiteral("sent"),
                              QStringLiteral("total")}};
    QStringList bars{QString()};
    for (const WardenAppFlow &row : rows) {
        lines << QStringList{row.date, figure(row.downloaded), figure(row.uploaded),
                             figure(row.total)};
        bars << bar(row.total, largest);
    }
    const Sums sums = sumsOf(rows);
    lines << QStringList{QStringLiteral("sum"), figure(sums.downloaded), figure(sums.uploaded),
                         figure(sums.total)};
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

QByteArray historyJson(const QString &app, Period period, const WardenAppFlowList &rows)
{
    QJsonArray jsonRows;
    for (const WardenAppFlow &row : rows) {
        jsonRows.append(QJsonObject{{QStringLiteral("index"), row.index},
                                    {QStringLiteral("date"), row.date},
                                    {QStringLiteral("sname"), row.sname},
                                    {QStringLiteral("downloaded"), row.downloaded},
                                    {QStringLiteral("uploaded"), row.uploaded},
                                    {QStringLiteral("total"), row.total}});
    }
    const Sums sums = sumsOf(rows);
    const QJsonObject document{
        {QStringLiteral("appname"), app},
        {QStringLiteral("period"), periodName(period)},
        {QStringLiteral("unit"), QStringLiteral("kB")},
        {QStringLiteral("rows"), jsonRows},
        {QStringLiteral("sums"), QJsonObject{{QStringLiteral("downloaded"), sums.downloaded},
                                             {QStringLiteral("uploaded"), sums.uploaded},
                                             {QStringLiteral("total"), sums.total}}}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}
