// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "appidentity.h"

#include <QTest>

class AppIdentityTest : public QObject
{
    Q_OBJECT

private slots:
    void systemd_app_units_name_their_desktop_id_data()
    {
        const QString user =
            QStringLiteral("0::/user.slice/user-1000.slice/user@1000.service/app.slice/");
        QTest::addColumn<QString>("cgroup");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("scope with launcher, escaped dash")
            << user + QStringLiteral("app-gnome-firefox\\x2desr-4242.scope")
            << QStringList{QStringLiteral("firefox-esr.desktop"),
                           QStringLiteral("gnome-firefox-esr.desktop")};
        QTest::newRow("scope without launcher")
            << user + QStringLiteral("app-org.example.Editor-77.scope")
            << QStringList{QStringLiteral("org.example.Editor.desktop")};
        QTest::newRow("service with instance")
            << user + QStringLiteral("app-org.example.Mail@autostart.service")
            << QStringList{QStringLiteral("org.example.Mail.desktop")};
        QTest::newRow("innermost unit of a nested slice")
            << user + QStringLiteral("app-org.example.Term.slice/app-kde-org.example.Term-9.scope")
            << QStringList{QStringLiteral("org.example.Term.desktop"),
                           QStringLiteral("kde-org.example.Term.desktop")};
        QTest::newRow("hybrid layout, named hierarchy")
            << QStringLiteral(
                   "12:cpu:/\n1:name=systemd:/user.slice/app-flatpak-org.example.Web-5.scope\n")
            << QStringList{QStringLiteral("org.example.Web.desktop"),
                           QStringLiteral("flatpak-org.example.Web.desktop")};
        QTest::newRow("login session, no app")
            << QStringLiteral("0::/user.slice/session-2.scope") << QStringList();
    }

    void systemd_app_units_name_their_desktop_id()
    {
        QFETCH(QString, cgroup);
        QFETCH(QStringList, ids);
        QCOMPARE(AppIdentity::desktopIdsFromCgroup(cgroup), ids);
    }

    void launch_variable_and_flatpak_application_group_name_the_entry()
    {
        static const char entries[] = "HOME=/root\0NOT_GIO_LAUNCHED_DESKTOP_FILE=/x\0"
                                      "GIO_LAUNCHED_DESKTOP_FILE=/usr/share/applications/a.desktop";
        const QByteArray environ(entries, sizeof entries); // the last entry ends in its NUL too
        QCOMPARE(AppIdentity::launchedDesktopFile(environ),
                 QStringLiteral("/usr/share/applications/a.desktop"));
        QCOMPARE(AppIdentity::launchedDesktopFile(QByteArray("HOME=/root", 10)), QString());
        QCOMPARE(
            AppIdentity::flatpakDesktopId(QStringLiteral(
                "[Runtime]\nname=org.example.Platform\n\n[Application]\nname=org.example.Web\n")),
            QStringLiteral("org.example.Web.desktop"));
        QCOMPARE(
            AppIdentity::flatpakDesktopId(QStringLiteral("[Runtime]\nname=org.example.Platform\n")),
            QString());
    }
};

QTEST_GUILESS_MAIN(AppIdentityTest)
#include "tst_appidentity.moc"
