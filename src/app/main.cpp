#include <cstdlib>
#include <unistd.h>

namespace {
// Debian's Tesseract runs OpenMP threads that fight our own worker per core and make recognition several times
// slower. libgomp reads its limit once, when it is loaded, before main runs: so the limit is put into the
// environment and the process starts itself again. Set the variable yourself to opt out.
void limitOpenMPThreads(char** argv)
{
    if (std::getenv("OMP_THREAD_LIMIT") != nullptr)
        return;
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    ::execv("/proc/self/exe", argv);
    // execv only returns on failure: carry on, slower but correct.
}
} // namespace

int main(int argc, char** argv)
{
    (void)argc;
    limitOpenMPThreads(argv);
    return 0;
}
