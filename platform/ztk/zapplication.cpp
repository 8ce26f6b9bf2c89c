#include "zapplication.h"

namespace Ztk {
namespace Widget {

ZApplication::ZApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool ZApplication::loadZXcbPlugin()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return qEnvironmentVariable("QT_QPA_PLATFORM") != QLatin1String("offscreen");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return false;
    }
    return true;
}

} // namespace Widget
} // namespace Ztk
