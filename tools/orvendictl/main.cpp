#include <csignal>
#include <iostream>

#include "Orvendictl.h"
#include "Terminal.h"

int main(int argc, char** argv) {
    // A closed pipe on standard output (orvendictl ... | head) is an ordinary
    // write error here, not a silent death in the middle of a delivery.
    std::signal(SIGPIPE, SIG_IGN);
    orvendi::Terminal terminal(std::cout, std::cerr, std::cin, 0, 2);
    orvendi::Orvendictl tool(terminal);
    return tool.run(std::vector<std::string>(argv + 1, argv + argc));
}
