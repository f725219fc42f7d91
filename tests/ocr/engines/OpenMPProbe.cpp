// Prints how many threads an OpenMP region asking for four gets on a thread that has taken its Tesseract engine, as
// every recognition worker does before its first page.
#include "ocr/tesseract/TesseractEngine.h"

#include <omp.h>

#include <cstdio>
#include <thread>

int main()
{
    int threads = 0;
    std::thread worker([&threads] {
        if (TesseractEngine::forThisThread("eng", true) == nullptr)
            return;
#pragma omp parallel num_threads(4)
        {
#pragma omp single
            threads = omp_get_num_threads();
        }
    });
    worker.join();
    std::printf("%d\n", threads);
    return threads > 0 ? 0 : 1;
}
