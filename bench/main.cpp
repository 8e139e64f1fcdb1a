// zoz_bench encrypt SRC DST SERIAL | decrypt SRC DST SERIAL | cipher MIB
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/CEngineBench.h"

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    CEngineBench bench;
    if ((mode == "encrypt" || mode == "decrypt") && argc == 5)
        return bench.EngineFile(mode == "encrypt", argv[2], argv[3], argv[4]);
    if (mode == "cipher" && argc == 3)
        return bench.CipherInMemory(static_cast<unsigned>(std::atoi(argv[2])));
    std::fprintf(stderr, "usage: zoz_bench encrypt|decrypt SRC DST SERIAL | cipher MIB\n");
    return 2;
}
