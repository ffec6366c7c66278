// Platform services: resource files, the command line and the message box.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace cocos2d {

// Resource names are looked up in the assets folder.
class FileUtils {
public:
    static FileUtils* getInstance();

    // The folder resource names are resolved against. Default: the "assets"
    // folder next to the executable.
    void setAssetsDirectory(const std::string& dir);
    const std::string& getAssetsDirectory() const;
    // Absolute names stay as they are; others are taken from the assets folder.
    std::string fullPathForFilename(const std::string& filename) const;
    // "/x" everywhere; on Windows also "\x", "C:\x", "C:/x" and "\\server\share".
    bool isAbsolutePath(const std::string& path) const;
    bool isFileExist(const std::string& filename) const;
    std::string getStringFromFile(const std::string& filename) const;

    // Folders, relative to the executable's folder, tried in order when no
    // assets folder has been set. Default: {"assets"}.
    void setAssetsSearchPath(std::vector<std::string> relativeFolders);
    // The folders locateAssetsDirectory tries: the one set, else the search path.
    std::vector<std::string> assetsCandidates() const;
    // Takes the first candidate that is a folder that can be listed. When none
    // is, returns false and a one-line reason naming every folder tried.
    bool locateAssetsDirectory(std::string& problem);

private:
    FileUtils() = default;
    mutable std::string _assetsDir;
    std::vector<std::string> _searchPath{"assets"};
};

// Options the engine reads from the command line.
struct RunOptions {
    std::string assetsDir;       // --assets DIR (empty: default)
    bool headless = false;       // --headless
    int frames = 0;              // --frames N (0: no limit)
    std::string screenshotFile;  // --screenshot FILE
    bool mute = false;           // --mute: start with the sound off
    float scale = 0.0f;          // --scale F: window pixels per design point (0: chosen by the desktop)
    bool help = false;           // --help was given (the text has been printed)
    bool error = false;          // a bad option (the message has been printed)
};

RunOptions& runOptions();

// One command-line option: "--name" alone, or "--name VALUE" / "--name=VALUE" when valueName is
// set. apply gets the value (empty for a flag) and returns an error message, or "" when it accepts.
struct CommandLineOption {
    std::string name;
    std::string valueName;
    std::string help;  // the --help description; "\n" starts a continuation line
    std::function<std::string(const std::string& value)> apply;
};

// Adds an option to the table that parseCommandLine reads, after the engine's own (--assets DIR,
// --headless, --frames N, --screenshot FILE, --mute, --scale F, --help). A name given again replaces the
// entry.
void addCommandLineOption(CommandLineOption option);
// Adds a line of text below the options in the --help text.
void addHelpLine(const std::string& line);
// The whole --help text: one line per option, in table order, then the added lines.
std::string helpText(const std::string& programName);

// Applies every option of the table found in args (args[0] is the program's name); every other
// argument is appended to unknownArgs in order. Returns false when the program should stop: after
// --help (the text is on standard output, exit status 0) or a bad option (the message is on
// standard error, status 2); see commandLineExitStatus().
bool parseCommandLine(const std::vector<std::string>& args, std::vector<std::string>& unknownArgs);
bool parseCommandLine(int argc, char** argv, std::vector<std::string>& unknownArgs);
int commandLineExitStatus();

// Reads a window scale: 1 to 3 in steps of 0.25, written as a decimal number ("2", "1.5", "2.75").
bool parseWindowScale(const std::string& text, float& scale);

// Opens a file by its UTF-8 name (also on Windows, where fopen takes the ANSI code page).
std::FILE* openFile(const std::string& path, const char* mode);

// A modal box with a title, the text and an OK button. On the main thread it
// returns when the box is closed; from another thread the main thread shows
// it while the caller waits. Headless, it writes one JSON line
// {"messagebox":{"title":T,"text":X}} to standard error and returns at once.
void MessageBox(const char* msg, const char* title);

// Sees every box before it is shown, on the calling thread. Pass an empty
// function to remove it.
using MessageBoxHook = std::function<void(const std::string& title, const std::string& text)>;
void setMessageBoxHook(MessageBoxHook hook);

// The JSON line of a box (without the newline).
std::string messageBoxJson(const std::string& title, const std::string& text);

}  // namespace cocos2d
