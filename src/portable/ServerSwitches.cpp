#include "portable/ServerSwitches.h"

#include <algorithm>

#include "portable/CheckedList.h"

namespace portable {

bool HasCmdLineSwitch(const std::vector<std::string>& args, std::string_view name)
{
    return std::any_of(args.begin(), args.end(), [name](const std::string& arg) {
        return arg.size() > 1 && (arg[0] == '-' || arg[0] == '/') &&
               SameTextAscii(std::string_view(arg).substr(1), name);
    });
}

ServerSwitches ParseServerSwitches(const std::vector<std::string>& args)
{
    ServerSwitches s;
    s.regServer = HasCmdLineSwitch(args, "REGSERVER");
    s.unregServer = HasCmdLineSwitch(args, "UNREGSERVER");
    s.automation = HasCmdLineSwitch(args, "AUTOMATION");
    s.embedding = HasCmdLineSwitch(args, "EMBEDDING");
    return s;
}

} // namespace portable
