#pragma once

#include "ocr/OCRResult.h"
#include "ocr/TableGrid.h"
#include "sources/Page.h"

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Recognizes pages a few at a time without blocking the main thread, and hands the results back on the main
// thread in the order the pages were added. Only the pages in flight are rendered, so a 200-page batch holds a
// handful of page images, not all of them; rendering, the PDF table reader and the table search of the result
// all run off the main thread, so the window stays responsive.
class PageQueue : public QObject
{
    Q_OBJECT

public:
    // A recognized page with its table, found on the worker; the page image is already dropped.
    struct Outcome
    {
        OCRResult result;
        std::optional<TableGrid> grid;
    };
    using Done = std::function<void(Outcome)>;

    // Starts at most `inFlight` pages at a time; 0 means one per core.
    explicit PageQueue(std::size_t inFlight = 0, QObject* parent = nullptr);
    ~PageQueue() override;

    // Queues a page; `done` runs on the main thread once its result and those of all pages added before it are in.
    void add(ImageLoader::Page page, std::vector<std::string> languages, bool correct, Done done);
    // Forgets the queued pages; the results of pages already started are dropped when they arrive.
    void clear();
    // Pages added and not yet handed back.
    std::size_t outstanding() const { return m_waiting.size() + m_inFlight + m_ready.size(); }

signals:
    // After each hand-back; `outstanding()` tells how much is left.
    void progressed();

private:
    struct Job
    {
        std::uint64_t sequence;
        ImageLoader::Page page;
        std::vector<std::string> languages;
        bool correct;
        Done done;
    };
    void pump();
    void finished(std::uint64_t generation, std::uint64_t sequence, std::uint64_t pixels, Outcome outcome);

    std::size_t m_limit;
    std::size_t m_inFlight = 0;
    std::uint64_t m_pixelsInFlight = 0; // bounded by ImageLoader::pixelsInFlight, a larger page alone
    std::uint64_t m_generation = 0;
    std::uint64_t m_nextSequence = 0;
    std::uint64_t m_nextDelivery = 0;
    std::deque<Job> m_waiting;
    std::map<std::uint64_t, Done> m_started; // the completion of every page in flight, by sequence
    std::map<std::uint64_t, std::pair<Outcome, Done>> m_ready;
    // Completions arrive from worker threads after this queue may be gone; they check this on the main thread.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
