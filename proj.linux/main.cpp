// The Linux entry: the engine's options, then our own (--trace, --port N, --host ADDRESS), then the
// application.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "cocos2d.h"
#include "net/MessageQueue.h"

namespace {

// A TCP port in decimal, 1..65535, nothing else.
bool parsePort(const std::string& text, unsigned short& port) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < 1 || value > 65535) {
        return false;
    }
    port = static_cast<unsigned short>(value);
    return true;
}

// An IPv4 address in dotted decimal: four numbers 0..255 without leading zeros (which the socket
// library would read as octal).
bool isDottedQuad(const std::string& text) {
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = part < 3 ? text.find('.', start) : text.size();
        if (end == std::string::npos) {
            return false;
        }
        const std::string number = text.substr(start, end - start);
        if (number.empty() || number.size() > 3 ||
            number.find_first_not_of("0123456789") != std::string::npos ||
            (number.size() > 1 && number[0] == '0') || std::stoi(number) > 255) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    cocos2d::addHelpLine("  --trace            write every request, server message and message box to");
    cocos2d::addHelpLine("                     standard error, one JSON line each");
    cocos2d::addHelpLine("  --port N           the game server's TCP port (default 9999)");
    cocos2d::addHelpLine("  --host ADDRESS     the game server's IPv4 address (default: \"host\" of the");
    cocos2d::addHelpLine("                     configuration)");
    cocos2d::addHelpLine("");
    cocos2d::addHelpLine("Configuration: config/strings.plist in the assets folder; the keys of");
    cocos2d::addHelpLine("$XDG_CONFIG_HOME/cardhall/strings.plist (default ~/.config/cardhall/) replace it.");
    // The installed layout: the program in bin/, its files in share/cardhall/.
    cocos2d::FileUtils::getInstance()->setAssetsSearchPath({"assets", CARDHALL_ASSETS_FROM_BINDIR});
    std::vector<std::string> rest;
    if (!cocos2d::parseCommandLine(argc, argv, rest)) {
        return cocos2d::commandLineExitStatus();
    }

    bool trace = false;
    bool portGiven = false;
    unsigned short port = 9999;
    std::string host;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == "--trace") {
            trace = true;
        } else if (rest[i] == "--port" && i + 1 < rest.size() && parsePort(rest[i + 1], port)) {
            portGiven = true;
            ++i;
        } else if (rest[i] == "--port") {
            std::fprintf(stderr, "cardhall: --port needs a port number from 1 to 65535\n");
            return 2;
        } else if (rest[i] == "--host" && i + 1 < rest.size() && isDottedQuad(rest[i + 1])) {
            host = rest[++i];
        } else if (rest[i] == "--host") {
            std::fprintf(stderr, "cardhall: --host needs an IPv4 address such as 127.0.0.1\n");
            return 2;
        } else {
            std::fprintf(stderr, "cardhall: unknown option %s (see --help)\n", rest[i].c_str());
            return 2;
        }
    }
    if (portGiven) {
        CMessageQueue::getInstance()->setServerPort(port);
    }
    if (!host.empty()) {
        CMessageQueue::getInstance()->setServerHost(host);
    }
    if (trace) {
        // Headless, the engine writes every box to standard error itself.
        enableLinkTrace(cocos2d::runOptions().headless);
    }

    int status;
    {
        AppDelegate app;
        status = cocos2d::Application::getInstance()->run();
        // The receive thread is stopped and the connection closed before anything is torn down.
        CMessageQueue::getInstance()->disconnect();
    }
    return status;
}
