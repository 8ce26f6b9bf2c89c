// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scenario.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A typo in a scenario would otherwise silently fall back to a default.
bool hasOnlyKeys(const QJsonObject &object, const QStringList &allowed, const QString &where,
                 QString &error)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!allowed.contains(it.key())) {
            error = QStringLiteral("unknown key \"%1\" in %2").arg(it.key(), where);
            return false;
        }
    }
    return true;
}

bool readApplication(const QJsonObject &object, LauncherItemInfo &item, QString &error)
{
    if (!hasOnlyKeys(object, {"desktopPath", "appName", "extraText", "icon", "number1", "number2"},
                     QStringLiteral("an application"), error))
        return false;
    item.desktopPath = object.value("desktopPath").toString();
    item.appName = object.value("appName").toString();
    item.extraText = object.value("extraText").toString();
    item.icon = object.value("icon").toString();
    item.number1 = object.value("number1").toVariant().toLongLong();
    item.number2 = object.value("number2").toVariant().toLongLong();
    return true;
}

bool readProcess(const QJsonObject &object, SimulatedProcess &process, QString &error)
{
    if (!hasOnlyKeys(object, {"pid", "procName", "desktopPath", "device", "recv", "send", "script"},
                     QStringLiteral("a process"), error))
        return false;
    if (!object.value("pid").isDouble()) {
        error = QStringLiteral("a process has no numeric \"pid\"");
        return false;
    }
    process.info.pid = object.value("pid").toInt();
    process.info.procName = object.value("procName").toString();
    process.info.desktopPath = object.value("desktopPath").toString();
    process.device = object.value("device").toString(process.device);
    process.recv = object.value("recv").toDouble(process.recv);
    process.send = object.value("send").toDouble(process.send);
    for (const QJsonValue &step : object.value("script").toArray()) {
        const QJsonArray pair = step.toArray();
        if (pair.size() != 2 || !pair.at(0).isDouble() || !pair.at(1).isDouble()) {
            error =
                QStringLiteral("a script step of pid %1 is not [recv, send]").arg(process.info.pid);
            return false;
        }
        process.script.append({pair.at(0).toDouble(), pair.at(1).toDouble()});
    }
    // Running totals add up speeds, so a negative speed would make them shrink.
    bool negative = process.recv < 0 || process.send < 0;
    for (const auto &speeds : qAsConst(process.script))
        negative = negative || speeds.first < 0 || speeds.second < 0;
    if (negative) {
        error = QStringLiteral("pid %1 has a negative speed").arg(process.info.pid);
        return false;
    }
    return true;
}

QStringList distinctDesktopPaths(const QList<SimulatedProcess> &processes)
{
    QStringList paths;
    for (const SimulatedProcess &process : processes) {
        if (!process.info.desktopPath.isEmpty() && !paths.contains(process.info.desktopPath))
            paths.append(process.info.desktopPath);
    }
    return paths;
}

QStringList toStringList(const QJsonValue &value)
{
    QStringList strings;
    for (const QJsonValue &entry : value.toArray())
        strings.append(entry.toString());
    return strings;
}

bool readInterval(const QJsonObject &object, const QString &key, int &interval, QString &error)
{
    interval = object.value(key).toInt(interval);
    if (interval <= 0) {
        error = QStringLiteral("\"%1\" must be a positive number of milliseconds").arg(key);
        return false;
    }
    return true;
}

} // namespace

WardenProcessInfoList Scenario::processInfos() const
{
    WardenProcessInfoList infos;
    for (const SimulatedProcess &process : processes)
        infos.append(process.info);
    return infos;
}

bool loadScenario(const QString &path, Scenario &scenario, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject()) {
        error = QStringLiteral("%1 is not a JSON object: %2").arg(path, parseError.errorString());
        return false;
    }
    const QJsonObject root = document.object();
    if (!hasOnlyKeys(root,
                     {"applications", "processes", "pidList", "desktopList", "guiDesktopList",
                      "launcherFails", "sampleIntervalMs", "publishIntervalMs", "seed"},
                     QStringLiteral("the scenario"), error))
        return false;

    Scenario loaded;
    for (const QJsonValue &value : root.value("applications").toArray()) {
        LauncherItemInfo item;
        if (!readApplication(value.toObject(), item, error))
            return false;
        loaded.applications.append(item);
    }
    for (const QJsonValue &value : root.value("processes").toArray()) {
        SimulatedProcess process;
        if (!readProcess(value.toObject(), process, error))
            return false;
        loaded.processes.append(process);
    }
    if (root.contains("pidList")) {
        for (const QJsonValue &pid : root.value("pidList").toArray())
            loaded.pidList.append(pid.toInt());
    } else {
        for (const SimulatedProcess &process : loaded.processes)
            loaded.pidList.append(process.info.pid);
    }
    loaded.desktopList = root.contains("desktopList") ? toStringList(root.value("desktopList"))
                                                      : distinctDesktopPaths(loaded.processes);
    loaded.guiDesktopList = root.contains("guiDesktopList")
                                ? toStringList(root.value("guiDesktopList"))
                                : loaded.desktopList;
    loaded.launcherFails = root.value("launcherFails").toBool(false);
    loaded.seed = quint32(root.value("seed").toInt(int(loaded.seed)));
    if (!readInterval(root, "sampleIntervalMs", loaded.sampleIntervalMs, error) ||
        !readInterval(root, "publishIntervalMs", loaded.publishIntervalMs, error))
        return false;
    scenario = loaded;
    return true;
}
