// The base of the test support's owners of a child process, a device end, a socket or saved
// state: such an object is never copied, since two copies would release the same thing twice.
#pragma once

namespace tv::test {

class NoCopy {
  public:
    NoCopy() = default;
    NoCopy(const NoCopy&) = delete;
    NoCopy& operator=(const NoCopy&) = delete;
};

}  // namespace tv::test
