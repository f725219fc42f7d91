#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A fixed set of worker threads that run submitted tasks in submission order. Recognition uses one worker per
// core: Tesseract is limited to one OpenMP thread, so more workers than cores only add memory (each worker keeps
// its own warm engine) without adding speed.
class WorkerPool
{
public:
    // Starts `threads` workers (at least one).
    explicit WorkerPool(std::size_t threads);
    // Waits for the tasks that are running; tasks still queued are dropped unrun, since this only happens when the
    // process ends.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Queues a task and returns at once. A task that throws is contained: the worker carries on with the next.
    void submit(std::function<void()> task);
    std::size_t size() const { return m_threads.size(); }
    // True on one of this pool's worker threads.
    bool isWorkerThread() const;

    // The pool shared by all recognition, one worker per core, started on first use.
    static WorkerPool& recognition();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};
