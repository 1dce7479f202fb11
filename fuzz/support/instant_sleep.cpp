// The fuzz programs' nanosleep: returns at once. The links pause between receive calls
// (50 ms, 100 ms, 500 ms) to let a device go on sending; here every byte the device will
// send is on the line before the link starts, so a pause changes nothing but the speed.
// Defined in the program, it takes the place of the C library's for the program's code.
#include <ctime>

extern "C" int nanosleep(const struct timespec*, struct timespec* rem) {
    if (rem) {
        rem->tv_sec = 0;
        rem->tv_nsec = 0;
    }
    return 0;
}
