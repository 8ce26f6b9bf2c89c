#include "commandline.h"
#include "commands.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nimbra-warden-traffic"));
    return runCommand(parseCommandLine(QCoreApplication::arguments()));
}
