#include "service/operatedbusdata.h"

#include <ZApplication>
#include <ZLogManager>

int main(int argc, char *argv[])
{
    Ztk::Widget::ZApplication::loadZXcbPlugin();
    Ztk::Widget::ZApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("nimbra"));
    QCoreApplication::setApplicationName(QStringLiteral("nimbra-warden-trafficdetails"));
    Ztk::Core::ZLogManager::registerConsoleAppender();
    Ztk::Core::ZLogManager::registerFileAppender();

    OperateDBusData service;
    return app.exec();
}
