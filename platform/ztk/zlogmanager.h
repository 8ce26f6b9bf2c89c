#pragma once

namespace Ztk {
namespace Core {

// Sends every log line, stamped with time and level, to the registered
// appenders. Lines logged before an appender is registered are not lost:
// they go to stderr at once and are written to the file when it opens.
class ZLogManager
{
public:
    // stderr.
    static void registerConsoleAppender();
    // "<cache location>/nimbra-warden-trafficdetails.log"; needs the
    // organisation and application names to be set first.
    static void registerFileAppender();
};

} // namespace Core
} // namespace Ztk
