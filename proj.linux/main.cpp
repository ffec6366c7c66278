// The Linux entry: where the installed program finds its files, then the program's command line
// and run.

#include <string>
#include <vector>

#include "app/Program.h"
#include "cocos2d.h"

int main(int argc, char** argv) {
    // The installed layout: the program in bin/, its files in share/cardhall/.
    cocos2d::FileUtils::getInstance()->setAssetsSearchPath({"assets", CARDHALL_ASSETS_FROM_BINDIR});
    return runProgram(std::vector<std::string>(argv, argv + argc));
}
