#include "sources/Confined.h"

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <new>

extern char** environ;

namespace Confined {
namespace {

// The most any one job may reach, whatever it asks for: beyond the largest page the loaders accept.
constexpr std::uint64_t ceiling = std::uint64_t{3} << 30;
// A helper whose idle size has grown this much past its start is replaced rather than reused, so that one large
// page's leftovers never shrink the next page's budget.
constexpr std::uint64_t retireGrowth = std::uint64_t{256} << 20;
constexpr int maxJobsPerHelper = 500;
constexpr std::size_t maxIdleHelpers = 16;

std::map<std::string, Work, std::less<>>& registry()
{
    static std::map<std::string, Work, std::less<>> jobs;
    return jobs;
}

// ---- bytes over the socket

bool sendAll(int fd, const void* data, std::size_t size)
{
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads exactly `size` bytes; false on end of stream, error or when `deadline` passes first.
bool readAll(int fd, void* data, std::size_t size,
             std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt)
{
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        if (deadline) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd watch{fd, POLLIN, 0};
            const int ready = ::poll(&watch, 1, static_cast<int>(std::min<long long>(left.count(), 60'000)));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                continue; // the deadline check above decides
        }
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

struct JobHeader
{
    std::uint32_t nameSize = 0;
    std::uint32_t cpuSeconds = 0;
    std::uint64_t memory = 0;
    std::uint64_t requestSize = 0;
};

struct ReplyHeader
{
    std::uint8_t outcome = 0;
    std::uint8_t retiring = 0; // the helper exits after this reply
    std::uint64_t size = 0;
};

// ---- the parent's side

struct Helper
{
    pid_t pid = -1;
    int fd = -1;
    int jobs = 0;
};

void discard(Helper& helper)
{
    if (helper.fd >= 0)
        ::close(helper.fd);
    if (helper.pid > 0) {
        ::kill(helper.pid, SIGKILL);
        while (::waitpid(helper.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    helper = {};
}

class Pool
{
public:
    void setExecutable(const std::string& executable)
    {
        const std::lock_guard lock(m_mutex);
        m_executable = executable;
    }

    bool enabled()
    {
        const std::lock_guard lock(m_mutex);
        return !m_executable.empty();
    }

    std::optional<Helper> acquire()
    {
        std::string executable;
        {
            const std::lock_guard lock(m_mutex);
            if (!m_idle.empty()) {
                Helper helper = m_idle.back();
                m_idle.pop_back();
                return helper;
            }
            executable = m_executable;
        }
        return spawn(executable);
    }

    void prepare(std::size_t count)
    {
        // Helpers are copies of this process only while it has no other thread, so nothing races the lock.
        if (!enabled() || !singleThreaded())
            return;
        std::string executable;
        {
            const std::lock_guard lock(m_mutex);
            executable = m_executable;
            const std::size_t wanted = std::min(count, maxIdleHelpers);
            count = m_idle.size() >= wanted ? 0 : wanted - m_idle.size();
        }
        for (; count > 0; --count) {
            const std::optional<Helper> helper = spawn(executable);
            if (!helper)
                return;
            const std::lock_guard lock(m_mutex);
            m_idle.push_back(*helper);
        }
    }

    void release(Helper helper)
    {
        {
            const std::lock_guard lock(m_mutex);
            if (helper.jobs < maxJobsPerHelper && m_idle.size() < maxIdleHelpers) {
                m_idle.push_back(helper);
                return;
            }
        }
        discard(helper);
    }

private:
    static std::optional<Helper> spawn(const std::string& executable)
    {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            return std::nullopt;
        if (singleThreaded())
            return forked(ends);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        // dup2 clears close-on-exec on the copy, so only this end reaches the helper.
        posix_spawn_file_actions_adddup2(&actions, ends[1], 3);
        const std::string flag(helperFlag);
        char* argv[] = {const_cast<char*>(executable.c_str()), const_cast<char*>(flag.c_str()), nullptr};
        pid_t pid = -1;
        const int failed = ::posix_spawn(&pid, executable.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        if (failed != 0) {
            ::close(ends[0]);
            return std::nullopt;
        }
        return Helper{pid, ends[0], 0};
    }

    // Starting the executable anew costs tens of milliseconds of dynamic linking before the helper reads a byte,
    // most of a one-page job. While this process has no other thread, a copy of it is as clean a start: nothing
    // can hold a lock that the copy would wait for forever.
    static bool singleThreaded()
    {
        std::error_code error;
        std::filesystem::directory_iterator tasks("/proc/self/task", error);
        return !error && std::distance(tasks, std::filesystem::directory_iterator()) == 1;
    }

    static std::optional<Helper> forked(const int ends[2])
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            // The helper holds its socket and nothing else of the program's: a pipe it kept open would keep
            // whoever reads the program's output waiting.
            ::dup2(ends[1], 3);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::close_range(4, ~0U, 0);
            ::_exit(serve(3));
        }
        ::close(ends[1]);
        if (pid < 0) {
            ::close(ends[0]);
            return std::nullopt;
        }
        return Helper{pid, ends[0], 0};
    }

    std::mutex m_mutex;
    std::string m_executable;
    std::vector<Helper> m_idle;
};

Pool& pool()
{
    static Pool* shared = new Pool; // helpers outlive static destruction; they end when their socket closes
    return *shared;
}

Reply runHere(Work work, const std::string& request)
{
    try {
        if (std::optional<std::string> bytes = work(request))
            return {Outcome::Done, std::move(*bytes)};
        return {Outcome::Unreadable, {}};
    } catch (const std::bad_alloc&) {
        return {Outcome::TooLarge, {}};
    } catch (...) {
        return {Outcome::Unreadable, {}};
    }
}

enum class Sent
{
    Replied,
    HelperGone, // the helper was gone before it took the job: a fresh one may try
    Failed,     // the job killed its helper or ran out of time
};

Sent runIn(Helper& helper, std::string_view name, const std::string& request, Budget budget, Reply& reply)
{
    const JobHeader header{static_cast<std::uint32_t>(name.size()), static_cast<std::uint32_t>(budget.cpuSeconds),
                           budget.memory, request.size()};
    if (!sendAll(helper.fd, &header, sizeof header) || !sendAll(helper.fd, name.data(), name.size()))
        return helper.jobs == 0 ? Sent::Failed : Sent::HelperGone;
    ++helper.jobs;
    if (!sendAll(helper.fd, request.data(), request.size()))
        return Sent::Failed;
    // CPU time is the helper's own limit; the clock here only catches a job that blocks without using any, so it
    // leaves room for a machine busy with other work.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30 + 6 * budget.cpuSeconds);
    ReplyHeader answer;
    if (!readAll(helper.fd, &answer, sizeof answer, deadline) || answer.outcome > 2)
        return Sent::Failed;
    reply.outcome = static_cast<Outcome>(answer.outcome);
    try {
        reply.bytes.resize(answer.size);
    } catch (...) {
        return Sent::Failed;
    }
    if (!readAll(helper.fd, reply.bytes.data(), reply.bytes.size(), deadline))
        return Sent::Failed;
    if (answer.retiring)
        helper.jobs = maxJobsPerHelper;
    return Sent::Replied;
}

// ---- the helper's side

std::uint64_t addressSpace()
{
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

// The most address space the helper has held at once since it started.
std::uint64_t peakAddressSpace()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmPeak:"))
            return std::strtoull(line.c_str() + 7, nullptr, 10) * 1024;
    }
    return 0;
}

struct Limits
{
    bool inHelper = false;
    bool exhausted = false;     // an allocation failed during the current job
    std::uint64_t start = 0;    // address space of the idle helper
    std::uint64_t jobLimit = 0; // the current job's soft limit
};

Limits& limits()
{
    static Limits current;
    return current;
}

void setMemoryLimit(std::uint64_t bytes)
{
    const rlimit limit{static_cast<rlim_t>(std::min(bytes, limits().start + ceiling)),
                       static_cast<rlim_t>(limits().start + ceiling)};
    ::setrlimit(RLIMIT_AS, &limit);
    limits().jobLimit = limit.rlim_cur;
}

void setCpuLimit(int seconds)
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const rlimit limit{static_cast<rlim_t>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + 1 + seconds), RLIM_INFINITY};
    ::setrlimit(RLIMIT_CPU, &limit);
}

} // namespace

Job::Job(std::string_view name, Work work)
    : m_name(name)
    , m_work(work)
{
    registry().emplace(m_name, work);
}

Reply Job::run(const std::string& request, Budget budget) const
{
    if (!pool().enabled())
        return runHere(m_work, request);
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::optional<Helper> helper = pool().acquire();
        if (!helper)
            return {Outcome::Unreadable, {}};
        Reply reply;
        const Sent sent = runIn(*helper, m_name, request, budget, reply);
        if (sent == Sent::Replied) {
            pool().release(*helper);
            return reply;
        }
        discard(*helper);
        if (sent == Sent::Failed)
            return {Outcome::TooLarge, {}};
    }
    return {Outcome::TooLarge, {}};
}

void useHelpers(const std::string& executable)
{
    pool().setExecutable(executable);
}

void prepare(std::size_t count)
{
    pool().prepare(count);
}

int serve(int fd)
{
    // The helper goes with the program, never dumps a core of a hostile file, and holds no terminal.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::prctl(PR_SET_DUMPABLE, 0);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    limits().inHelper = true;
    limits().start = addressSpace();
    std::set_new_handler([] {
        limits().exhausted = true;
        throw std::bad_alloc();
    });

    while (true) {
        JobHeader header;
        if (!readAll(fd, &header, sizeof header))
            return 0;
        std::string name(header.nameSize, '\0');
        std::string request;
        try {
            request.resize(header.requestSize);
        } catch (...) {
            return 1;
        }
        if (!readAll(fd, name.data(), name.size()) || !readAll(fd, request.data(), request.size()))
            return 0;
        const auto found = registry().find(name);

        // A job's budget counts from what the helper holds now: an earlier job may have left it larger (freed
        // memory glibc keeps), short of retiring it.
        setMemoryLimit(std::max(limits().start, addressSpace()) + header.memory);
        setCpuLimit(static_cast<int>(header.cpuSeconds));
        limits().exhausted = false;
        const std::uint64_t peakBefore = peakAddressSpace();
        Reply reply = found == registry().end() ? Reply{} : runHere(found->second, request);
        // Libraries that catch a failed allocation report an unreadable file; one that reached its limit on the
        // way was too large to read. A new peak this close to the limit means the same for plain malloc.
        const std::uint64_t peakAfter = peakAddressSpace();
        const bool nearLimit = peakAfter > peakBefore && peakAfter + (std::uint64_t{64} << 20) >= limits().jobLimit;
        if (reply.outcome == Outcome::Unreadable && (limits().exhausted || nearLimit))
            reply.outcome = Outcome::TooLarge;
        // Replying must not fail for the job's limits.
        setMemoryLimit(limits().start + ceiling);
        ::malloc_trim(0);
        const bool retiring = addressSpace() > limits().start + retireGrowth;

        const ReplyHeader answer{static_cast<std::uint8_t>(reply.outcome), static_cast<std::uint8_t>(retiring),
                                 reply.bytes.size()};
        if (!sendAll(fd, &answer, sizeof answer) || !sendAll(fd, reply.bytes.data(), reply.bytes.size()) || retiring)
            return 0;
    }
}

void allow(std::uint64_t bytes)
{
    if (limits().inHelper)
        setMemoryLimit(limits().jobLimit + bytes);
}

std::string pack(std::initializer_list<std::string_view> fields)
{
    std::string bytes;
    for (const std::string_view field : fields) {
        const auto size = static_cast<std::uint64_t>(field.size());
        bytes.append(reinterpret_cast<const char*>(&size), sizeof size);
        bytes.append(field);
    }
    return bytes;
}

std::optional<std::vector<std::string_view>> unpack(std::string_view bytes)
{
    std::vector<std::string_view> fields;
    while (!bytes.empty()) {
        std::uint64_t size = 0;
        if (bytes.size() < sizeof size)
            return std::nullopt;
        std::memcpy(&size, bytes.data(), sizeof size);
        bytes.remove_prefix(sizeof size);
        if (size > bytes.size())
            return std::nullopt;
        fields.push_back(bytes.substr(0, size));
        bytes.remove_prefix(size);
    }
    return fields;
}

std::string_view bytesOf(const double& value)
{
    return {reinterpret_cast<const char*>(&value), sizeof value};
}

double doubleOf(std::string_view field)
{
    double value = 0;
    if (field.size() == sizeof value)
        std::memcpy(&value, field.data(), sizeof value);
    return value;
}

namespace {
struct ImageHeader
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t format = 0;
};
} // namespace

std::string packImage(const Image& image)
{
    const ImageHeader header{image.width, image.height, static_cast<std::int32_t>(image.format)};
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * Image::bytesPerPixel(image.format);
    std::string bytes;
    bytes.reserve(sizeof header + rowBytes * static_cast<std::size_t>(image.height));
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    for (int y = 0; y < image.height; ++y)
        bytes.append(reinterpret_cast<const char*>(image.row(y)), rowBytes);
    return bytes;
}

std::optional<Image> unpackImage(std::string bytes)
{
    ImageHeader header;
    if (bytes.size() < sizeof header)
        return std::nullopt;
    std::memcpy(&header, bytes.data(), sizeof header);
    if (header.width <= 0 || header.height <= 0 || header.format < 0 || header.format > 2)
        return std::nullopt;
    const auto format = static_cast<Image::Format>(header.format);
    const std::size_t rowBytes = static_cast<std::size_t>(header.width) * Image::bytesPerPixel(format);
    if (bytes.size() - sizeof header != rowBytes * static_cast<std::size_t>(header.height))
        return std::nullopt;
    auto owner = std::make_shared<const std::string>(std::move(bytes));
    Image image;
    image.width = header.width;
    image.height = header.height;
    image.stride = static_cast<int>(rowBytes);
    image.format = format;
    image.pixels = reinterpret_cast<const std::uint8_t*>(owner->data() + sizeof header);
    image.owner = owner;
    return image;
}
} // namespace Confined
