#include "document/qt/PageQueue.h"

#include "app/qt/DesktopServices.h"
#include "ocr/Recognizer.h"
#include "ocr/Table.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

#include <algorithm>

PageQueue::PageQueue(std::size_t inFlight, QObject* parent)
    : QObject(parent)
    , m_limit(inFlight > 0 ? inFlight : static_cast<std::size_t>(std::max(1, QThread::idealThreadCount())))
{}

PageQueue::~PageQueue()
{
    *m_alive = false;
}

void PageQueue::add(ImageLoader::Page page, std::vector<std::string> languages, bool correct, Done done)
{
    m_waiting.push_back({m_nextSequence++, std::move(page), std::move(languages), correct, std::move(done)});
    pump();
}

void PageQueue::clear()
{
    ++m_generation;
    m_waiting.clear();
    m_started.clear();
    m_ready.clear();
    m_nextDelivery = m_nextSequence;
}

void PageQueue::pump()
{
    while (m_inFlight < m_limit && !m_waiting.empty()) {
        const std::uint64_t pixels = m_waiting.front().page.pixels;
        if (m_inFlight > 0 && m_pixelsInFlight + pixels > ImageLoader::pixelsInFlight)
            break;
        Job job = std::move(m_waiting.front());
        m_waiting.pop_front();
        ++m_inFlight;
        m_pixelsInFlight += pixels;
        m_started.emplace(job.sequence, std::move(job.done));
        const std::uint64_t generation = m_generation;
        const std::uint64_t sequence = job.sequence;
        std::weak_ptr<bool> alive = m_alive;
        auto deliver = [this, alive, generation, sequence, pixels](OCRResult result) {
            // On the worker: the table search reads the page image, which is dropped right after.
            Outcome outcome;
            outcome.grid = tableGrid(result);
            result.image.reset();
            outcome.result = std::move(result);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [this, alive, generation, sequence, pixels, outcome = std::move(outcome)]() mutable {
                    if (const auto living = alive.lock(); living && *living)
                        finished(generation, sequence, pixels, std::move(outcome));
                },
                Qt::QueuedConnection);
        };
        // Rendering a PDF page and reading its text layer take a while, so they run off the main thread too.
        QThreadPool::globalInstance()->start([page = std::move(job.page), languages = std::move(job.languages),
                                              correct = job.correct, deliver = std::move(deliver)]() mutable {
            Recognizer::recognize(page, desktopServices().recognizer, std::move(languages), correct,
                                  std::move(deliver));
        });
    }
}

void PageQueue::finished(std::uint64_t generation, std::uint64_t sequence, std::uint64_t pixels, Outcome outcome)
{
    --m_inFlight;
    m_pixelsInFlight -= pixels;
    if (generation == m_generation) {
        auto started = m_started.extract(sequence);
        if (!started.empty())
            m_ready.emplace(sequence, std::make_pair(std::move(outcome), std::move(started.mapped())));
    }
    pump();
    // Hand back in order; a `done` may add or clear pages, so the state is read afresh each time.
    for (;;) {
        auto next = m_ready.find(m_nextDelivery);
        if (next == m_ready.end())
            break;
        auto entry = std::move(next->second);
        m_ready.erase(next);
        ++m_nextDelivery;
        if (entry.second)
            entry.second(std::move(entry.first));
    }
    emit progressed();
}
