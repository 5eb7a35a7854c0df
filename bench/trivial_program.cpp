// The trivial C++ program a run of quilmar is weighed against: the same
// start-up (the C++ runtime loaded and set up), one line of output, and no
// work.
#include <cstdio>
#include <string>

int main() {
    const std::string line = "nothing to do";
    std::puts(line.c_str());
    return 0;
}
