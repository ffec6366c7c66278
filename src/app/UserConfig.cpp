#include "app/UserConfig.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "cocos2d.h"

namespace {

const char kFileName[] = "strings.plist";

bool isAbsolute(const char* folder) {
#ifdef _WIN32
    return folder && folder[0] && folder[1] == ':';
#else
    return folder && folder[0] == '/';
#endif
}

}  // namespace

std::string userConfigPath(const char* xdgConfigHome, const char* home) {
#ifdef _WIN32
    const char separator = '\\';
#else
    const char separator = '/';
#endif
    if (isAbsolute(xdgConfigHome)) {
        return std::string(xdgConfigHome) + separator + "cardhall" + separator + kFileName;
    }
    if (isAbsolute(home)) {
        return std::string(home) + separator + ".config" + separator + "cardhall" + separator + kFileName;
    }
    return {};
}

void loadUserConfig() {
#ifdef _WIN32
    const std::string path = userConfigPath(std::getenv("APPDATA"), nullptr);
#else
    const std::string path = userConfigPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
#endif
    if (path.empty()) {
        return;
    }
    // Most players have no file of their own: only a file that is there but cannot be used is
    // worth a word (the configuration service says it, once).
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
    } else if (errno == ENOENT || errno == ENOTDIR) {
        return;
    }
    cocos2d::Configuration::getInstance()->loadConfigFile(path);
}
