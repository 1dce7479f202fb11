// A link file that reaches up into the jobs: the layer check must refuse it.
#include "jobs/Worker.h"
#include "common/globals.h"
