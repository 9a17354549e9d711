// A stand-in client application for the Windows launch tests: writes the command line it was
// started with into "<its own path>.ran" (written aside and renamed, so a reader never sees half)
// and ends.

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/files/module.h"

int main(int argc, char** argv) {
    char self[4096];
    const uint32_t n = zplat::GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n == sizeof self) {
        return 1;
    }
    const std::string marker = std::string(self, n) + ".ran";
    {
        std::ofstream out(marker + ".tmp", std::ios::binary);
        for (int i = 1; i < argc; ++i) {
            out << argv[i] << '\n';
        }
    }
    return std::rename((marker + ".tmp").c_str(), marker.c_str()) == 0 ? 0 : 1;
}
