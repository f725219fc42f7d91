#include "ocr/WorkerPool.h"

#include <algorithm>

WorkerPool::WorkerPool(std::size_t threads)
{
    threads = std::max<std::size_t>(threads, 1);
    m_threads.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { run(); });
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_tasks.clear();
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void WorkerPool::submit(std::function<void()> task)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

bool WorkerPool::isWorkerThread() const
{
    const std::thread::id self = std::this_thread::get_id();
    return std::any_of(m_threads.begin(), m_threads.end(), [self](const std::thread& t) { return t.get_id() == self; });
}

void WorkerPool::run()
{
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
            if (m_stopping)
                return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        try {
            task();
        } catch (...) {
            // A failing task must not take the worker, and with it every later recognition, down.
        }
    }
}

WorkerPool& WorkerPool::recognition()
{
    // Constructed after the engines' own statics, so destroyed (and joined) before them at exit.
    static WorkerPool pool(std::max(1u, std::thread::hardware_concurrency()));
    return pool;
}
