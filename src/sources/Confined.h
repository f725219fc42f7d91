#pragma once

#include "sources/Image.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Untrusted files are parsed, decoded and rendered in helper processes, the way desktop thumbnailers are run: a
// page whose file would take all memory or hang for minutes costs one helper, never the program. A helper is this
// executable started with `helperFlag`; it serves one job at a time under a limit on address space and CPU time
// set before the job reads a byte, and is reused for the next job while it stays healthy. Until the process calls
// useHelpers (tests, the fuzzer), jobs run in the calling thread with the same results.
namespace Confined {
inline constexpr std::string_view helperFlag = "--confined-helper";

// What one job may spend: memory beyond what the idle helper holds, and CPU seconds. A job that knows more about
// its input once it has parsed the header may ask for more memory with allow().
struct Budget
{
    std::uint64_t memory = std::uint64_t{256} << 20;
    int cpuSeconds = 10;
};

enum class Outcome
{
    Done,
    Unreadable, // the job ran and found nothing it could read
    TooLarge,   // the job ran out of memory or time, or its helper died
};

struct Reply
{
    Outcome outcome = Outcome::Unreadable;
    std::string bytes;
};

// The work of a job: the request's bytes in, the reply's bytes out, or no value when the input is unreadable.
using Work = std::optional<std::string> (*)(std::string_view request);

// A job a helper can run. Define one per kind of work at namespace scope; it registers itself under `name`, which
// must be unique, so that the helper (the same executable) finds it.
class Job
{
public:
    Job(std::string_view name, Work work);
    // Runs the job in a helper, or here when helpers are off. Safe from any thread; jobs run side by side in as
    // many helpers as there are callers.
    Reply run(const std::string& request, Budget budget = {}) const;

private:
    std::string m_name;
    Work m_work;
};

// Runs every later job in helpers started from `executable`.
void useHelpers(const std::string& executable);
// Readies `count` idle helpers for jobs about to run side by side, while a copy of this process starts at once (it
// has no other thread yet); does nothing otherwise, and the jobs start their helpers as they come.
void prepare(std::size_t count);
// The helper's side: serves jobs read from `fd` until it closes; returns the exit status.
int serve(int fd);
// Inside a job: lets it use `bytes` more memory than its budget, up to the helper's ceiling. Does nothing when
// the job runs outside a helper.
void allow(std::uint64_t bytes);

// Fields of a request or reply: any bytes, including NUL, in order.
std::string pack(std::initializer_list<std::string_view> fields);
// The fields of pack() (or of several packs one after the other); no value when the bytes are no such fields.
std::optional<std::vector<std::string_view>> unpack(std::string_view bytes);

// A number as a field, exactly, and back; a field of another size reads as 0. The view is of `value` itself.
std::string_view bytesOf(const double& value);
double doubleOf(std::string_view field);

// An image as a reply, and back; unpackImage shares the reply's buffer instead of copying the pixels.
std::string packImage(const Image& image);
std::optional<Image> unpackImage(std::string bytes);
} // namespace Confined
