// A codec file that reaches up into a command file of its own folder.
#include "commands/register/prt_ks.h"
