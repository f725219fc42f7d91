#pragma once

#include "ocr/tesseract/LineBoxes.h"
#include "sources/Image.h"

#include <memory>
#include <string>
#include <vector>

namespace tesseract {
class TessBaseAPI;
}

// One loaded Tesseract model set. Loading eng+nld takes 300-400 ms against 50 ms to read a small table, so
// engines stay loaded and are reused: one per worker thread and (languages, correction) pair, since a
// TessBaseAPI must not be shared between threads and its dictionaries can only be switched off while loading.
class TesseractEngine
{
public:
    // How Tesseract cuts the image into lines before reading them.
    enum class Segmentation
    {
        Auto,        // full layout analysis: columns, blocks, then lines
        SingleBlock, // one uniform block: every line spans the whole width, so no table column is lost
        Sparse,      // as much text as possible, in no particular order
    };

    // A text line as Tesseract read it: the line's string, its box and each symbol's bytes and box.
    struct Line
    {
        std::string text;
        LineBoxes::PixelBox box;
        std::vector<LineBoxes::Symbol> symbols;
        int block = 0; // the layout block the line belongs to, counted in reading order
    };

    ~TesseractEngine();
    TesseractEngine(const TesseractEngine&) = delete;
    TesseractEngine& operator=(const TesseractEngine&) = delete;

    // Returns this thread's warm engine for a Tesseract language string such as "eng+nld", loading it on first
    // use; `correct` false switches the dictionaries off. No value when the models cannot be loaded. A thread
    // keeps a few engines, dropping the least recently used. The first call on a thread also keeps Tesseract's OpenMP
    // regions there to one thread, unless the user set OMP_THREAD_LIMIT.
    static TesseractEngine* forThisThread(const std::string& languages, bool correct);

    // Returns the text lines of a Grey8 image in Tesseract's reading order; boxes in the image's pixels,
    // origin top-left. Lines with no visible characters are left out. With `pictures`, the boxes of the blocks
    // the layout analysis took for pictures are added to it.
    std::vector<Line> recognize(const Image& grey, Segmentation segmentation,
                                std::vector<LineBoxes::PixelBox>* pictures = nullptr);

    // What the automatic layout analysis found before anything is read: whether the image holds text blocks side
    // by side (columns) or picture blocks, and the boxes of its lines and words with their blocks, in image pixels.
    struct Analysis
    {
        bool oneBlock = true; // no columns and no pictures: read as one block, which keeps every table column
        struct Box
        {
            LineBoxes::PixelBox box;
            int block = 0;
        };
        std::vector<Box> lines;
        std::vector<Box> words;
    };

    // Analyses the layout of a Grey8 image and keeps the image set for `readAnalysed`: block by block when the
    // analysis finds columns or pictures, as one block otherwise.
    Analysis analyse(const Image& grey);
    // Reads the image `analyse` set, reusing its analysis; returns the lines as `recognize` does.
    std::vector<Line> readAnalysed(std::vector<LineBoxes::PixelBox>* pictures);

private:
    TesseractEngine(std::unique_ptr<tesseract::TessBaseAPI> api);

    // Recognizes the image set on the API with its segmentation mode, then clears the image.
    std::vector<Line> read(std::vector<LineBoxes::PixelBox>* pictures);

    std::unique_ptr<tesseract::TessBaseAPI> m_api;
};
