// Prints how many threads an OpenMP region asking for four gets, in a program linked like ambrel: with the
// engines library, whose OpenMP entry points keep Tesseract's regions to one thread.
#include <omp.h>

#include <cstdio>

int main()
{
    int threads = 0;
#pragma omp parallel num_threads(4)
    {
#pragma omp single
        threads = omp_get_num_threads();
    }
    std::printf("%d\n", threads);
    return 0;
}
