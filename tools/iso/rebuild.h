#pragma once

#include "iso/options.h"

namespace tarnwell::iso {

// Runs "-in A [-rm PATH] [-f FOLDER] -out B": returns the exit status.
int rebuild(Options const&);

}
