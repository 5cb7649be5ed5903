#include "iso/rebuild.h"

#include <cstdio>

namespace tarnwell::iso {

int rebuild(Options const&)
{
    std::fprintf(stderr, "tarniso: error: rebuilding images is not built yet\n");
    return 1;
}

}
