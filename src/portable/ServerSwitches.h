// The command-line switches by which COM and installers drive the program as
// a local server.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace portable {

// True when one argument is `name` introduced by '-' or '/', letter case
// ignored ("/RegServer", "-regserver").
bool HasCmdLineSwitch(const std::vector<std::string>& args, std::string_view name);

struct ServerSwitches {
    bool regServer = false;   // "REGSERVER": register, then end
    bool unregServer = false; // "UNREGSERVER": unregister, then end
    bool automation = false;  // "AUTOMATION": COM started the program
    bool embedding = false;   // "EMBEDDING": COM started the program

    bool StartedByCom() const noexcept { return automation || embedding; }
    bool RegistrationOnly() const noexcept { return regServer || unregServer; }
};

// `args` are the program's arguments without the program's own name.
ServerSwitches ParseServerSwitches(const std::vector<std::string>& args);

} // namespace portable
