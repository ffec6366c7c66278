// artgen: draws every image of the client's assets folder.
//
//   artgen --out DIR [--sans F] [--sans-bold F] [--cjk F]   draw all images into DIR, and the same
//                                                           at twice the resolution into DIR/hd
//   artgen --sheets ASSETS OUTDIR                           contact sheets and a desk mock-up
//   artgen --check ASSETS                                   check sizes and frames of both sets
//   artgen --icons DIR [font options]                       DIR/cardhall-N.png at the icon sizes
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "artgen.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: artgen --out DIR [--sans FONT] [--sans-bold FONT] [--cjk FONT]\n"
                 "       artgen --sheets ASSETS_DIR OUT_DIR [font options]\n"
                 "       artgen --check ASSETS_DIR\n"
                 "       artgen --icons OUT_DIR [font options]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out, sheetsFrom, sheetsTo, check, icons;
    std::string sans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
    std::string sansBold = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";
    std::string cjk = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
    for (int i = 1; i < argc; ++i) {
        auto value = [&](std::string& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        bool ok = true;
        if (!std::strcmp(argv[i], "--out"))
            ok = value(out);
        else if (!std::strcmp(argv[i], "--sans"))
            ok = value(sans);
        else if (!std::strcmp(argv[i], "--sans-bold"))
            ok = value(sansBold);
        else if (!std::strcmp(argv[i], "--cjk"))
            ok = value(cjk);
        else if (!std::strcmp(argv[i], "--sheets"))
            ok = value(sheetsFrom) && value(sheetsTo);
        else if (!std::strcmp(argv[i], "--check"))
            ok = value(check);
        else if (!std::strcmp(argv[i], "--icons"))
            ok = value(icons);
        else
            ok = false;
        if (!ok)
            return usage();
    }
    if (!check.empty()) {
        const int faults = artgen::checkImages(check) + artgen::checkImages(check + "/hd", 2, check);
        return faults == 0 ? 0 : 1;
    }
    if (out.empty() && sheetsTo.empty() && icons.empty())
        return usage();

    artgen::loadFonts(sans, sansBold, cjk);
    if (!out.empty()) {
        // The same pictures for windows shown at more than the design size.
        const std::string hd = out + "/hd";
        mkdir(out.c_str(), 0755);
        mkdir(hd.c_str(), 0755);
        for (int scale : {1, 2}) {
            const std::string& dir = scale == 1 ? out : hd;
            artgen::setDrawingScale(scale);
            artgen::drawCardImages(dir);
            artgen::drawInterfaceImages(dir);
            artgen::drawTableImages(dir);
        }
        artgen::setDrawingScale(1);
        if (artgen::writeFailed())
            return 1;
    }
    if (!icons.empty()) {
        mkdir(icons.c_str(), 0755);
        // The sizes of the hicolor theme that menus and launchers ask for.
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            artgen::drawIcon(size, icons + "/cardhall-" + std::to_string(size) + ".png");
        if (artgen::writeFailed())
            return 1;
    }
    if (!sheetsTo.empty()) {
        mkdir(sheetsTo.c_str(), 0755);
        if (!artgen::drawSheets(sheetsFrom, sheetsTo))
            return 1;
    }
    return 0;
}
