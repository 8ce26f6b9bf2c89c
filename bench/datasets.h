// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDateTime>
#include <QString>

// A data set as the service writes it at full retention: one row per application every five
// seconds, in a file that holds only flowDetail (as written before the sums existed).
struct DataSet
{
    QString name;
    int applications;
    QDate firstDay;
    int days;

    QString path(const QString &folder) const { return folder + "/" + name + ".db"; }
    qint64 rows() const { return qint64(applications) * days * 17280; }
};

// Writes the data set unless a complete one is there already.
bool generateDataSet(const DataSet &set, const QString &folder);
// The application names the data sets use.
QString applicationName(int index);
