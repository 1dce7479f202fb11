// Resource ids of the window program (resources.rc).
#pragma once

#define IDI_APP 1  // the program's icon, first in the file: what Explorer shows
