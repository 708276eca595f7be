// make-example-spc OUT.spc: writes the project's example song.
#include <cstdio>
#include <exception>

#include "tools/example_spc.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.spc\n", argv[0]);
        return 2;
    }
    try {
        const auto spc = apu::example::build_example_spc();
        std::FILE* f = std::fopen(argv[1], "wb");
        if (!f) {
            std::perror(argv[1]);
            return 1;
        }
        const bool ok = std::fwrite(spc.image.data(), 1, spc.image.size(), f) == spc.image.size();
        if (std::fclose(f) != 0 || !ok) {
            std::fprintf(stderr, "%s: write failed\n", argv[1]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-example-spc: %s\n", e.what());
        return 1;
    }
    return 0;
}
