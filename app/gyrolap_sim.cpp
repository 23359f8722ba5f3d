// gyrolap-sim [SCRIPT]: replay a script against the game on a virtual clock and print what the
// window would show. Reads standard input when SCRIPT is absent or "-".
#include <cstring>
#include <fstream>
#include <iostream>

#include "sim/Script.h"
#include "sim/Simulator.h"

int main(int argc, char** argv) {
    using namespace gyrolap::sim;
    if (argc > 2) {
        std::cerr << "usage: gyrolap-sim [SCRIPT]\n";
        return kExitBadScript;
    }
    std::ifstream file;
    std::istream* in = &std::cin;
    if (argc == 2 && std::strcmp(argv[1], "-") != 0) {
        file.open(argv[1]);
        if (!file) {
            std::cerr << "gyrolap-sim: cannot open script '" << argv[1]
                      << "': " << std::strerror(errno) << '\n';
            return kExitBadScript;
        }
        in = &file;
    }
    Script script;
    try {
        script = ParseScript(*in);
    } catch (const ScriptError& error) {
        std::cerr << "gyrolap-sim: line " << error.line() << ": " << error.what() << '\n';
        return kExitBadScript;
    }
    std::ios::sync_with_stdio(false);
    return RunScript(script, std::cout, std::cerr);
}
