// Finding the assets folder: beside the program in a build tree, or wherever
// the search path says relative to it once installed (so any prefix works).
#include <SDL.h>

#include <filesystem>
#include <system_error>

#include "Internal.h"

namespace cocos2d {

namespace fs = std::filesystem;

namespace {

// The executable's folder, with its trailing separator.
std::string programFolder() {
    char* base = SDL_GetBasePath();
    std::string folder = base ? base : "./";
    SDL_free(base);
    return folder;
}

// Empty when `dir` is a folder whose entries can be read; otherwise why not.
std::string folderProblem(const std::string& dir) {
    std::error_code ec;
    const fs::file_status status = fs::status(dir, ec);
    if (ec || !fs::exists(status))
        return ec && ec != std::errc::no_such_file_or_directory ? ec.message() : "missing";
    if (!fs::is_directory(status))
        return "not a folder";
    fs::directory_iterator entries(dir, ec);
    return ec ? ec.message() : std::string();
}

}  // namespace

void FileUtils::setAssetsSearchPath(std::vector<std::string> relativeFolders) {
    _searchPath = std::move(relativeFolders);
}

std::vector<std::string> FileUtils::assetsCandidates() const {
    if (!_assetsDir.empty())
        return {_assetsDir};
    const std::string base = programFolder();
    std::vector<std::string> out;
    for (const std::string& relative : _searchPath)
        out.push_back(fs::path(base + relative).lexically_normal().string());
    return out;
}

bool FileUtils::locateAssetsDirectory(std::string& problem) {
    std::string tried;
    for (const std::string& dir : assetsCandidates()) {
        const std::string why = folderProblem(dir);
        if (why.empty()) {
            setAssetsDirectory(dir);
            return true;
        }
        tried += (tried.empty() ? "" : ", ") + dir + " (" + why + ")";
    }
    problem = "No assets folder to use: " + tried + "; choose one with --assets DIR";
    return false;
}

}  // namespace cocos2d
