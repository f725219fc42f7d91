#include "ocr/tesseract/TesseractEngine.h"

#include "ocr/tesseract/TessData.h"

#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <cstdlib>
#include <list>
#include <utility>

// Debian's Tesseract asks OpenMP for up to 10 threads per parallel region. On a machine with a recognition worker
// per core those threads only fight each other, and recognition gets 5-6 times slower. OMP_THREAD_LIMIT=1 cures it
// but is read once, when the runtime loads, before main runs. No parallel level being active on a recognition
// thread does the same from inside the process: Tesseract's num_threads clauses then get a team of one. A user who
// sets OMP_THREAD_LIMIT themselves gets the runtime's own behaviour under their limit.
namespace {
void keepParallelRegionsSingleThreaded()
{
    static const bool userSetThreadLimit = std::getenv("OMP_THREAD_LIMIT") != nullptr;
    thread_local bool done = false;
    if (done || userSetThreadLimit)
        return;
    ::omp_set_max_active_levels(0);
    done = true;
}

constexpr std::size_t enginesPerThread = 3;

struct CachedEngine
{
    std::string languages;
    bool correct = true;
    std::unique_ptr<TesseractEngine> engine;
};

std::string utf8Text(const tesseract::ResultIterator& it, tesseract::PageIteratorLevel level)
{
    const std::unique_ptr<char[]> text{it.GetUTF8Text(level)}; // allocated with new[]
    return text ? std::string(text.get()) : std::string();
}

LineBoxes::PixelBox boxAt(const tesseract::PageIterator& it, tesseract::PageIteratorLevel level)
{
    LineBoxes::PixelBox box;
    it.BoundingBox(level, &box.left, &box.top, &box.right, &box.bottom);
    return box;
}

tesseract::PageSegMode pageSegMode(TesseractEngine::Segmentation segmentation)
{
    switch (segmentation) {
    case TesseractEngine::Segmentation::Auto:
        return tesseract::PSM_AUTO;
    case TesseractEngine::Segmentation::Sparse:
        return tesseract::PSM_SPARSE_TEXT;
    case TesseractEngine::Segmentation::SingleBlock:
        break;
    }
    return tesseract::PSM_SINGLE_BLOCK;
}
} // namespace

TesseractEngine::TesseractEngine(std::unique_ptr<tesseract::TessBaseAPI> api)
    : m_api(std::move(api))
{}

TesseractEngine::~TesseractEngine()
{
    if (m_api)
        m_api->End();
}

TesseractEngine* TesseractEngine::forThisThread(const std::string& languages, bool correct)
{
    // Every recognition on this thread goes through here first.
    keepParallelRegionsSingleThreaded();
    thread_local std::list<CachedEngine> cache;
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        if (it->languages == languages && it->correct == correct) {
            cache.splice(cache.begin(), cache, it);
            return cache.front().engine.get();
        }
    }

    auto api = std::make_unique<tesseract::TessBaseAPI>();
    // Tesseract's progress and warnings ("Estimating resolution", "Empty page") would land on our standard error,
    // which the command line keeps for its own messages.
    std::vector<std::string> names{"debug_file"};
    std::vector<std::string> values{"/dev/null"};
    if (!correct) {
        // Code and identifiers are not words: without the word lists Tesseract stops "correcting" them.
        for (const char* dictionary : {"load_system_dawg", "load_freq_dawg"}) {
            names.emplace_back(dictionary);
            values.emplace_back("0");
        }
    }
    const std::string directory = TessData::directory();
    if (api->Init(directory.c_str(), languages.c_str(), tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false)
        != 0)
        return nullptr;

    cache.push_front(
        CachedEngine{languages, correct, std::unique_ptr<TesseractEngine>(new TesseractEngine(std::move(api)))});
    if (cache.size() > enginesPerThread)
        cache.pop_back();
    return cache.front().engine.get();
}

std::vector<TesseractEngine::Line> TesseractEngine::recognize(const Image& grey, Segmentation segmentation,
                                                              std::vector<LineBoxes::PixelBox>* pictures)
{
    if (grey.isNull() || grey.format != Image::Format::Grey8)
        return {};
    m_api->SetPageSegMode(pageSegMode(segmentation));
    m_api->SetImage(grey.pixels, grey.width, grey.height, 1, grey.stride);
    return read(pictures);
}

TesseractEngine::Analysis TesseractEngine::analyse(const Image& grey)
{
    Analysis analysis;
    if (grey.isNull() || grey.format != Image::Format::Grey8)
        return analysis;
    m_api->SetPageSegMode(tesseract::PSM_AUTO);
    m_api->SetImage(grey.pixels, grey.width, grey.height, 1, grey.stride);
    std::vector<LineBoxes::PixelBox> text;
    bool pictures = false;
    {
        const std::unique_ptr<tesseract::PageIterator> it{m_api->AnalyseLayout()};
        int block = 0;
        if (it) {
            do {
                if (it->IsAtBeginningOf(tesseract::RIL_BLOCK)) {
                    ++block;
                    if (tesseract::PTIsImageType(it->BlockType()))
                        pictures = true;
                    else if (tesseract::PTIsTextType(it->BlockType()))
                        text.push_back(boxAt(*it, tesseract::RIL_BLOCK));
                }
                if (!tesseract::PTIsTextType(it->BlockType()))
                    continue;
                if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE))
                    analysis.lines.push_back(Analysis::Box{boxAt(*it, tesseract::RIL_TEXTLINE), block});
                analysis.words.push_back(Analysis::Box{boxAt(*it, tesseract::RIL_WORD), block});
            } while (it->Next(tesseract::RIL_WORD));
        }
    }
    // Two blocks side by side: they share rows but no columns.
    bool columns = false;
    for (std::size_t a = 0; a < text.size() && !columns; ++a)
        for (std::size_t b = a + 1; b < text.size() && !columns; ++b) {
            const int sharedRows = std::min(text[a].bottom, text[b].bottom) - std::max(text[a].top, text[b].top);
            const bool apart = text[a].right <= text[b].left || text[b].right <= text[a].left;
            const int shorter = std::min(text[a].bottom - text[a].top, text[b].bottom - text[b].top);
            columns = apart && shorter > 0 && sharedRows * 2 > shorter;
        }
    analysis.oneBlock = !pictures && !columns;
    // Otherwise the blocks just found are the ones Recognize reads: Tesseract keeps them until the next image.
    if (analysis.oneBlock) {
        m_api->Clear();
        m_api->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
        m_api->SetImage(grey.pixels, grey.width, grey.height, 1, grey.stride);
    }
    return analysis;
}

std::vector<TesseractEngine::Line> TesseractEngine::readAnalysed(std::vector<LineBoxes::PixelBox>* pictures)
{
    return read(pictures);
}

std::vector<TesseractEngine::Line> TesseractEngine::read(std::vector<LineBoxes::PixelBox>* pictures)
{
    std::vector<Line> lines;
    if (m_api->Recognize(nullptr) == 0) {
        const std::unique_ptr<tesseract::ResultIterator> it{m_api->GetIterator()};
        int block = 0;
        if (it && !it->Empty(tesseract::RIL_TEXTLINE)) {
            do {
                if (it->IsAtBeginningOf(tesseract::RIL_BLOCK))
                    ++block;
                Line line;
                line.block = block;
                line.text = utf8Text(*it, tesseract::RIL_TEXTLINE);
                while (!line.text.empty() && (line.text.back() == '\n' || line.text.back() == '\r'))
                    line.text.pop_back();
                line.box = boxAt(*it, tesseract::RIL_TEXTLINE);

                std::vector<std::string> symbolTexts;
                std::vector<LineBoxes::PixelBox> symbolBoxes;
                do {
                    if (!it->Empty(tesseract::RIL_SYMBOL)) {
                        symbolTexts.push_back(utf8Text(*it, tesseract::RIL_SYMBOL));
                        symbolBoxes.push_back(boxAt(*it, tesseract::RIL_SYMBOL));
                    }
                } while (!it->IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_SYMBOL)
                         && it->Next(tesseract::RIL_SYMBOL));

                const auto ranges = LineBoxes::locate(line.text, symbolTexts);
                for (std::size_t i = 0; i < ranges.size(); ++i)
                    if (ranges[i])
                        line.symbols.push_back(LineBoxes::Symbol{ranges[i]->first, ranges[i]->second, symbolBoxes[i]});
                if (line.text.find_first_not_of(" \t") != std::string::npos)
                    lines.push_back(std::move(line));
            } while (it->Next(tesseract::RIL_TEXTLINE));
        }
        if (pictures) {
            const std::unique_ptr<tesseract::PageIterator> blocks{m_api->GetIterator()};
            if (blocks) {
                do {
                    if (tesseract::PTIsImageType(blocks->BlockType()))
                        pictures->push_back(boxAt(*blocks, tesseract::RIL_BLOCK));
                } while (blocks->Next(tesseract::RIL_BLOCK));
            }
        }
    }
    // Drops the page's pixels and results; the loaded model stays.
    m_api->Clear();
    return lines;
}
