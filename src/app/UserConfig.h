#pragma once

#include <string>

// The player's own settings: a property list whose keys replace those of the shipped
// config/strings.plist, so that an installed client can be pointed at another server without
// touching the files it was installed with.

// $XDG_CONFIG_HOME/cardhall/strings.plist, or $HOME/.config/cardhall/strings.plist when
// XDG_CONFIG_HOME is unset, empty or relative (the base directory rules ignore relative ones).
// Empty when neither gives an absolute folder. On Windows: %APPDATA%\cardhall\strings.plist.
std::string userConfigPath(const char* xdgConfigHome, const char* home);

// Loads the user's file over the configuration already loaded. A missing file is no problem; an
// unreadable or broken one is reported once on standard error and changes nothing.
void loadUserConfig();
