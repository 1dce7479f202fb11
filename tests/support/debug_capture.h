// The core's debug channel turned on and caught for as long as the object lives, so a test
// can read the diagnostic dumps a piece writes. Off and back to standard error afterwards.
#pragma once
#include <string>

namespace tv::test {

class DebugCapture {
  public:
    DebugCapture();
    ~DebugCapture();

    // What the channel has carried since the capture began or since the last take(),
    // which also forgets it.
    std::string take();
};

}  // namespace tv::test
