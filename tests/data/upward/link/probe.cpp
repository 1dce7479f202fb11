// A link file that reaches up into the jobs: the layer check must refuse it.
#include "common/globals.h"
#include "jobs/Worker.h"
