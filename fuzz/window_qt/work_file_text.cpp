#include "work_file_text.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace plikatra::winfuzz {

std::string firstDifference(const std::string& a, const std::string& b) {
    std::istringstream ia(a), ib(b);
    std::string la, lb;
    for (int line = 1;; ++line) {
        const bool ha = static_cast<bool>(std::getline(ia, la));
        const bool hb = static_cast<bool>(std::getline(ib, lb));
        if (!ha && !hb) return "same lines, different bytes";
        if (!ha || !hb || la != lb)
            return "line " + std::to_string(line) + ": \"" + (ha ? la : "<end>") + "\" then \"" +
                   (hb ? lb : "<end>") + "\"";
    }
}

std::string withoutWorkedOutAgain(const std::string& text) {
    std::istringstream in(text);
    std::string out, line;
    int edgesLeft = 0;
    bool inSolids = true;
    bool defaultColours = false;
    while (std::getline(in, line)) {
        if (line == "defaultmaterial") {
            inSolids = false;
            defaultColours = true;
        }
        double c[20];
        if (defaultColours && std::sscanf(line.c_str(), "%lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf",
                                          &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7], &c[8], &c[9], &c[10], &c[11],
                                          &c[12], &c[13], &c[14], &c[15], &c[16], &c[17], &c[18], &c[19]) == 20) {
            line = "(the default material's colours)";
            defaultColours = false;
        } else if (edgesLeft > 0) {
            --edgesLeft;
            long f[6];
            if (std::sscanf(line.c_str(), "%ld %ld %ld %ld %ld %ld", &f[0], &f[1], &f[2], &f[3], &f[4], &f[5]) == 6 &&
                f[0] != -1 && f[1] != -1) {
                char cleared[160];
                std::snprintf(cleared, sizeof cleared, "%ld %ld %ld %ld %ld %ld", f[0], f[1], f[2], f[3], f[4] & ~16L,
                              f[5]);
                line = cleared;
            }
        } else if (inSolids && line.starts_with("edges ")) {
            edgesLeft = std::atoi(line.c_str() + 6);
        }
        out += line + "\n";
    }
    return out;
}

}  // namespace plikatra::winfuzz
