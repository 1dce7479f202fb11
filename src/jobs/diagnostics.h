// Detection of a device on the serial ports and the connection test.
#pragma once

namespace tv {

// Detection (work_mode 2) and connection test (3).
int stop_veryf();  // RC_STOPPED (and clears Stoper) when a stop was requested, else RC_OK
void detect_job();
// The serial ports the detection visits (1..99; tests narrow the range).
extern int detect_first_port;
extern int detect_last_port;
void test_job();

}  // namespace tv
