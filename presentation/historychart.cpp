// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/historychart.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

const QRgb kReceivedColour = qRgb(0x3a, 0x7b, 0xd5);
const QRgb kSentColour = qRgb(0xf2, 0x9e, 0x4c);

namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 480;
const QRect kPlot(88, 64, kWidth - 88 - 24, kHeight - 64 - 56);

// The unit the axis counts in: the one asked for, or for human figures the one the largest
// bar reads best in.
Units axisUnit(double largestKib, Units units)
{
    return units == Units::Human ? humanUnit(largestKib) : units;
}

// A step of 1, 2 or 5 times a power of ten giving at most five steps up to `largest`.
double tickStep(double largest)
{
    if (largest <= 0)
        return 1;
    const double raw = largest / 5;
    const double magnitude = std::pow(10, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * magnitude >= raw)
            return factor * magnitude;
    }
    return 10 * magnitude;
}

} // namespace

QImage historyChart(const HistoryView &view, Units units)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    painter.setFont(font);

    double largestKib = 0;
    for (const WardenAppFlow &row : view.rows)
        largestKib = std::max(largestKib, row.downloaded + row.uploaded);
    const Units unit = axisUnit(largestKib, units);
    const double largest = fixedFigure(largestKib, unit);
    const double step = tickStep(largest);
    const double top = largest > 0 ? std::ceil(largest / step) * step : step;
    const auto yOf = [&](double value) {
        return kPlot.bottom() - int(std::round(value / top * kPlot.height()));
    };

    // Title and sum.
    QFont titleFont = font;
    titleFont.setPixelSize(16);
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    painter.drawText(QRect(16, 8, kWidth - 32, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     view.appname.isEmpty()
                         ? view.name
                         : QStringLiteral("%1 (%2)").arg(view.name, view.appname));
    painter.setFont(font);
    painter.drawText(QRect(16, 32, kWidth - 32, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1 from %2   sum %3 (received %4, sent %5)")
                         .arg(view.period, view.firstDay.toString(Qt::ISODate),
                              amountText(view.sum(&WardenAppFlow::total), units),
                              amountText(view.sum(&WardenAppFlow::downloaded), units),
                              amountText(view.sum(&WardenAppFlow::uploaded), units)));

    // Legend.
    const QFontMetrics metrics(font);
    int legendX = kWidth - 24;
    for (const auto &entry : {qMakePair(QStringLiteral("sent"), kSentColour),
                              qMakePair(QStringLiteral("received"), kReceivedColour)}) {
        legendX -= metrics.horizontalAdvance(entry.first);
        painter.drawText(legendX, 46, entry.first);
        legendX -= 16;
        painter.fillRect(legendX, 36, 12, 12, QColor(entry.second));
        legendX -= 16;
    }

    // Grid and vertical axis.
    for (double value = 0; value <= top + step / 2; value += step) {
        const int y = yOf(value);
        painter.setPen(QColor(0xdd, 0xdd, 0xdd));
        painter.drawLine(kPlot.left(), y, kPlot.right(), y);
        painter.setPen(Qt::black);
        painter.drawText(
            QRect(0, y - 8, kPlot.left() - 8, 16), Qt::AlignRight | Qt::AlignVCenter,
            QStringLiteral("%1 %2").arg(QString::number(value, 'g', 6), unitSymbol(unit)));
    }

    // Bars, received below sent, with their labels along the horizontal axis.
    const int count = std::max(1, int(view.rows.size()));
    const double slot = double(kPlot.width()) / count;
    const int barWidth = std::max(1, int(slot * 0.7));
    for (int i = 0; i < view.rows.size(); ++i) {
        const WardenAppFlow &row = view.rows.at(i);
        const int left = kPlot.left() + int(i * slot + (slot - barWidth) / 2);
        const int received = yOf(fixedFigure(row.downloaded, unit));
        const int both = yOf(fixedFigure(row.downloaded + row.uploaded, unit));
        if (received < kPlot.bottom())
            painter.fillRect(
                QRect(QPoint(left, received), QPoint(left + barWidth - 1, kPlot.bottom() - 1)),
                QColor(kReceivedColour));
        if (both < received)
            painter.fillRect(QRect(QPoint(left, both), QPoint(left + barWidth - 1, received - 1)),
                             QColor(kSentColour));
        painter.setPen(Qt::black);
        painter.drawText(QRect(kPlot.left() + int(i * slot), kPlot.bottom() + 4, int(slot), 16),
                         Qt::AlignHCenter | Qt::AlignTop, view.rowLabel(row));
    }

    painter.setPen(Qt::black);
    painter.drawLine(kPlot.left(), kPlot.top(), kPlot.left(), kPlot.bottom());
    painter.drawLine(kPlot.left(), kPlot.bottom(), kPlot.right(), kPlot.bottom());
    painter.drawText(QRect(kPlot.left(), kHeight - 28, kPlot.width(), 20), Qt::AlignHCenter,
                     view.daily() ? QStringLiteral("day of the month")
                                  : QStringLiteral("hour of the day"));
    return image;
}
