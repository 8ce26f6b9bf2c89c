// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/budgetbook.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

namespace {
const QString kDay = QStringLiteral("day");
const QString kMonth = QStringLiteral("month");
const QString kWarning = QStringLiteral("warning");
const QString kLimit = QStringLiteral("limit");
// How all traffic is written in the files: a desktop id is never a bare asterisk.
const QString kAllTraffic = QStringLiteral("*");

const char kBudgetsHeader[] =
    "# Data budgets, one a line: the period (day or month), the limit in bytes, the warning\n"
    "# level in percent of the limit, the day a monthly cycle starts (1 to 28), then the\n"
    "# application's desktop id, or * for all traffic. Budgets never block traffic.\n";
const char kAnnouncedHeader[] =
    "# Budget crossings already announced: period, first day of the day or cycle, level,\n"
    "# desktop id (* for all traffic). Remove a line to have it announced again.\n";

QString fileId(const QString &desktopId)
{
    return desktopId.isEmpty() ? kAllTraffic : desktopId;
}

// The use at which `level` is reached: the limit, or its warning share rounded up. Worked out
// in parts so that no product leaves 64 bits.
quint64 threshold(const WardenBudget &budget, const QString &level)
{
    if (level == kLimit)
        return budget.limitBytes;
    const quint64 percent = budget.warnPercent;
    return budget.limitBytes / 100 * percent + ((budget.limitBytes % 100) * percent + 99) / 100;
}

// The lines of a file that are neither blank nor comments, with their numbers.
QList<QPair<int, QString>> contentLines(const QString &path)
{
    QList<QPair<int, QString>> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return lines;
    int number = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        ++number;
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            lines.append({number, line});
    }
    return lines;
}

void logSkipped(const QString &path, int number, const QString &why)
{
    qDebug().noquote() << QStringLiteral("budgets: line %1 of %2 skipped: %3")
                              .arg(QString::number(number), path, why);
}

bool writeFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    qDebug().noquote()
        << QStringLiteral("budgets: cannot write %1: %2").arg(path, file.errorString());
    return false;
}
} // namespace

BudgetBook::BudgetBook(const QString &folder) : m_folder(folder) {}

QString BudgetBook::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/nimbra-warden");
}

QString BudgetBook::budgetsPath() const
{
    return m_folder + QStringLiteral("/budgets.conf");
}

QString BudgetBook::announcedPath() const
{
    return m_folder + QStringLiteral("/budgets.announced");
}

void BudgetBook::load()
{
    m_budgets.clear();
    m_announced.clear();
    static const QRegularExpression budgetLine(
        QStringLiteral("^(\\S+)\\s+(\\d+)\\s+(\\d+)\\s+(\\d+)\\s+(\\S.*)$"));
    for (const auto &line : contentLines(budgetsPath())) {
        const QRegularExpressionMatch match = budgetLine.match(line.second);
        if (!match.hasMatch()) {
            logSkipped(budgetsPath(), line.first, QStringLiteral("not five fields"));
            continue;
        }
        WardenBudget budget;
        budget.period = match.captured(1);
        budget.limitBytes = match.captured(2).toULongLong();
        budget.warnPercent = match.captured(3).toUInt();
        budget.cycleStartDay = match.captured(4).toUInt();
        const QString id = match.captured(5).trimmed();
        budget.desktopId = id == kAllTraffic ? QString() : id;
        QString why = invalidReason(budget.period, budget.limitBytes, budget.warnPercent,
                                    budget.cycleStartDay);
        if (why.isEmpty() && indexOf(budget.desktopId, budget.period) >= 0)
            why = QStringLiteral("a second budget of the same application and period");
        if (!why.isEmpty()) {
            logSkipped(budgetsPath(), line.first, why);
            continue;
        }
        m_budgets.append(budget);
    }
    static const QRegularExpression announcedLine(
        QStringLiteral("^(day|month)\\s+(\\d{4}-\\d\\d-\\d\\d)\\s+(warning|limit)\\s+(\\S.*)$"));
    for (const auto &line : contentLines(announcedPath())) {
        const QRegularExpressionMatch match = announcedLine.match(line.second);
        if (!match.hasMatch() || !QDate::fromString(match.captured(2), Qt::ISODate).isValid()) {
            logSkipped(announcedPath(), line.first, QStringLiteral("not a crossing"));
            continue;
        }
        m_announced.insert(QStringList{match.captured(1), match.captured(2), match.captured(3),
                                       match.captured(4).trimmed()}
                               .join(QLatin1Char(' ')));
    }
    m_changed = changed();
}

void BudgetBook::reloadIfChanged()
{
    if (changed() != m_changed)
        load();
}

QPair<QDateTime, QDateTime> BudgetBook::changed() const
{
    return {QFileInfo(budgetsPath()).lastModified(), QFileInfo(announcedPath()).lastModified()};
}

QString BudgetBook::invalidReason(const QString &period, quint64 limitBytes, quint32 warnPercent,
                                  quint32 cycleStartDay)
{
    if (period != kDay && period != kMonth)
        return QStringLiteral("unknown period \"%1\"; use day or month").arg(period);
    if (limitBytes == 0)
        return QStringLiteral("the limit must be above zero");
    if (warnPercent < 1 || warnPercent > 100)
        return QStringLiteral("the warning level must be 1 to 100 percent");
    if (period == kMonth && (cycleStartDay < 1 || cycleStartDay > 28))
        return QStringLiteral("a monthly cycle starts on a day from 1 to 28");
    return {};
}

QDate BudgetBook::cycleStart(const QString &period, quint32 cycleStartDay, const QDate &today)
{
    if (period != kMonth)
        return today;
    const QDate thisMonth(today.year(), today.month(), int(cycleStartDay));
    return today >= thisMonth ? thisMonth : thisMonth.addMonths(-1);
}

int BudgetBook::indexOf(const QString &desktopId, const QString &period) const
{
    for (int i = 0; i < m_budgets.size(); ++i)
        if (m_budgets.at(i).desktopId == desktopId && m_budgets.at(i).period == period)
            return i;
    return -1;
}

bool BudgetBook::set(WardenBudget budget)
{
    // A day has no cycle to start.
    if (budget.period == kDay)
        budget.cycleStartDay = 1;
    const int index = indexOf(budget.desktopId, budget.period);
    if (index >= 0) {
        // The use recorded stays good as long as its cycle does.
        budget.usedBytes = m_budgets.at(index).usedBytes;
        budget.cycleStart = m_budgets.at(index).cycleStart;
        m_budgets[index] = budget;
    } else {
        budget.usedBytes = 0;
        budget.cycleStart.clear();
        m_budgets.append(budget);
    }
    return writeBudgets();
}

bool BudgetBook::clear(const QString &desktopId, const QString &period)
{
    const int index = indexOf(desktopId, period);
    if (index < 0)
        return false;
    m_budgets.removeAt(index);
    writeBudgets();
    return true;
}

WardenBudgetList BudgetBook::budgets(const QDate &today) const
{
    WardenBudgetList list = m_budgets;
    for (WardenBudget &budget : list) {
        const QString start =
            cycleStart(budget.period, budget.cycleStartDay, today).toString(Qt::ISODate);
        if (budget.cycleStart != start)
            budget.usedBytes = 0;
        budget.cycleStart = start;
    }
    return list;
}

QList<QDate> BudgetBook::cycleStarts(const QDate &today) const
{
    QList<QDate> starts;
    for (const WardenBudget &budget : m_budgets) {
        const QDate start = cycleStart(budget.period, budget.cycleStartDay, today);
        if (!starts.contains(start))
            starts.append(start);
    }
    std::sort(starts.begin(), starts.end());
    return starts;
}

QList<BudgetBook::Crossing> BudgetBook::record(const QDate &firstDay,
                                               const QList<AppFlowDateParameter> &use,
                                               const QDate &today)
{
    QList<Crossing> crossings;
    bool changed = false;
    for (WardenBudget &budget : m_budgets) {
        if (cycleStart(budget.period, budget.cycleStartDay, today) != firstDay)
            continue;
        double kibibytes = 0;
        for (const AppFlowDateParameter &app : use)
            if (budget.desktopId.isEmpty() || app.appname == budget.desktopId)
                kibibytes += app.downloaded + app.uploaded;
        budget.usedBytes = kibibytes > 0 ? quint64(std::llround(kibibytes * 1024)) : 0;
        budget.cycleStart = firstDay.toString(Qt::ISODate);
        for (const QString &level : {kWarning, kLimit}) {
            const QString key = announcedKey(budget, level);
            if (budget.usedBytes >= threshold(budget, level)) {
                if (!m_announced.contains(key)) {
                    m_announced.insert(key);
                    crossings.append({budget, level});
                    changed = true;
                }
            } else if (m_announced.remove(key)) {
                changed = true;
            }
        }
    }
    if (changed)
        writeAnnounced(today);
    return crossings;
}

QString BudgetBook::announcedKey(const WardenBudget &budget, const QString &level)
{
    return QStringList{budget.period, budget.cycleStart, level, fileId(budget.desktopId)}.join(
        QLatin1Char(' '));
}

bool BudgetBook::writeBudgets()
{
    QByteArray text = kBudgetsHeader;
    for (const WardenBudget &budget : m_budgets)
        text += QStringLiteral("%1 %2 %3 %4 %5\n")
                    .arg(budget.period, QString::number(budget.limitBytes),
                         QString::number(budget.warnPercent), QString::number(budget.cycleStartDay),
                         fileId(budget.desktopId))
                    .toUtf8();
    const bool written = writeFile(budgetsPath(), text);
    m_changed = changed();
    return written;
}

// Keeps only the crossings of the current days and cycles: older ones can never recur.
bool BudgetBook::writeAnnounced(const QDate &today)
{
    QSet<QString> current;
    for (WardenBudget budget : m_budgets) {
        budget.cycleStart =
            cycleStart(budget.period, budget.cycleStartDay, today).toString(Qt::ISODate);
        for (const QString &level : {kWarning, kLimit})
            if (m_announced.contains(announcedKey(budget, level)))
                current.insert(announcedKey(budget, level));
    }
    m_announced = current;
    QStringList lines = m_announced.values();
    lines.sort();
    QByteArray text = kAnnouncedHeader;
    for (const QString &line : qAsConst(lines))
        text += line.toUtf8() + '\n';
    const bool written = writeFile(announcedPath(), text);
    m_changed = changed();
    return written;
}
