// The program's options and its run, shared by the Linux and the Windows entry points.

#include "app/Program.h"

#include <cstdio>
#include <cstdlib>

#include "app/AppDelegate.h"
#include "cocos2d.h"
#include "net/MessageQueue.h"

namespace {

bool s_trace = false;

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

void addProgramOptions() {
    // One entry per option; the engine reads the table and writes --help from it.
    const std::vector<cocos2d::CommandLineOption> options{
        {"--trace", "",
         "write every request, server message and message box to\nstandard error, one JSON line each",
         [](const std::string&) -> std::string {
             s_trace = true;
             return "";
         }},
        {"--port", "N", "the game server's TCP port (default 9999)",
         [](const std::string& text) -> std::string {
             unsigned short port = 0;
             if (!parsePort(text, port)) {
                 return "--port needs a port number from 1 to 65535";
             }
             CMessageQueue::getInstance()->setServerPort(port);
             return "";
         }},
        {"--host", "ADDRESS", "the game server's IPv4 address (default: \"host\" of the\nconfiguration)",
         [](const std::string& text) -> std::string {
             if (!isDottedQuad(text)) {
                 return "--host needs an IPv4 address such as 127.0.0.1";
             }
             CMessageQueue::getInstance()->setServerHost(text);
             return "";
         }},
    };
    for (const auto& option : options) {
        cocos2d::addCommandLineOption(option);
    }
    static const bool notes = [] {
        cocos2d::addHelpLine("");
#ifdef _WIN32
        cocos2d::addHelpLine("Configuration: config\\strings.plist in the assets folder; the keys of");
        cocos2d::addHelpLine("%APPDATA%\\cardhall\\strings.plist replace it.");
#else
        cocos2d::addHelpLine("Assets folder without --assets: assets next to the program, else");
        cocos2d::addHelpLine("../share/cardhall from the program's folder (where it is installed).");
        cocos2d::addHelpLine("Configuration: config/strings.plist in the assets folder; the keys of");
        cocos2d::addHelpLine(
            "$XDG_CONFIG_HOME/cardhall/strings.plist (default ~/.config/cardhall/) replace it.");
#endif
        return true;
    }();
    (void)notes;
}

int runProgram(const std::vector<std::string>& args) {
    addProgramOptions();
    std::vector<std::string> rest;
    if (!cocos2d::parseCommandLine(args, rest)) {
        return cocos2d::commandLineExitStatus();
    }
    if (!rest.empty()) {
        std::fprintf(stderr, "cardhall: unknown option %s (see --help)\n", rest.front().c_str());
        return 2;
    }
    if (s_trace) {
        // Headless, the engine writes every box to standard error itself.
        enableLinkTrace(cocos2d::runOptions().headless);
    }

    int status;
    {
        // Constructing the delegate makes it the application instance.
        AppDelegate app;
        status = cocos2d::Application::getInstance()->run();
        // The receive thread is stopped and the connection closed before anything is torn down.
        CMessageQueue::getInstance()->disconnect();
    }
    return status;
}
