#include "demo/FramePalette.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <unordered_map>

namespace FramePalette {
namespace {

constexpr std::size_t maxColours = 256;
// At most this many entries go to large-area colours, so antialiased text always keeps enough shared entries.
constexpr std::size_t maxExactEntries = 160;
// Neighbours closer than this on every channel count as a smooth area, where dithering hides the palette steps;
// across a glyph edge neighbours differ by far more, and dithering there would speckle the text.
constexpr int smoothStep = 6;

using Packed = std::uint32_t;

Packed pack(int r, int g, int b)
{
    return Packed(r) << 16 | Packed(g) << 8 | Packed(b);
}
int red(Packed c)
{
    return int(c >> 16 & 0xFF);
}
int green(Packed c)
{
    return int(c >> 8 & 0xFF);
}
int blue(Packed c)
{
    return int(c & 0xFF);
}

int distance2(Packed a, Packed b)
{
    const int dr = red(a) - red(b), dg = green(a) - green(b), db = blue(a) - blue(b);
    return dr * dr + dg * dg + db * db;
}

std::vector<Packed> readPixels(const Image& image)
{
    std::vector<Packed> out;
    out.reserve(std::size_t(image.width) * std::size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.row(y);
        for (int x = 0; x < image.width; ++x) {
            if (image.format == Image::Format::Grey8) {
                out.push_back(pack(row[x], row[x], row[x]));
            } else {
                const std::uint8_t* px = row + 4 * x; // bytes B, G, R, A
                out.push_back(pack(px[2], px[1], px[0]));
            }
        }
    }
    return out;
}

struct Entry
{
    Packed colour;
    std::uint32_t count;
};

// One box of the median cut: a range of the entry list with its weighted spread.
struct CutBox
{
    std::size_t begin = 0;
    std::size_t end = 0;
    double error = 0; // sum over the box of count × squared distance to the weighted mean
    int axis = 0;     // channel of largest variance: 0 red, 1 green, 2 blue
    Packed mean = 0;
};

int channel(Packed c, int axis)
{
    return axis == 0 ? red(c) : axis == 1 ? green(c) : blue(c);
}

CutBox measure(const std::vector<Entry>& entries, std::size_t begin, std::size_t end)
{
    double weight = 0, sum[3] = {}, sumSquares[3] = {};
    for (std::size_t i = begin; i < end; ++i) {
        const double w = entries[i].count;
        weight += w;
        for (int a = 0; a < 3; ++a) {
            const double v = channel(entries[i].colour, a);
            sum[a] += w * v;
            sumSquares[a] += w * v * v;
        }
    }
    CutBox box{begin, end};
    double variance[3];
    for (int a = 0; a < 3; ++a) {
        variance[a] = sumSquares[a] - sum[a] * sum[a] / weight;
        box.error += variance[a];
    }
    box.axis = int(std::max_element(variance, variance + 3) - variance);
    auto meanOf = [&](int a) { return std::clamp(int(sum[a] / weight + 0.5), 0, 255); };
    box.mean = pack(meanOf(0), meanOf(1), meanOf(2));
    return box;
}

// Splits the entries into at most `target` boxes, always the box with the largest error next, at its weighted
// median along its widest channel. Minimising the error rather than the box volume keeps entries for the many
// rarely used antialiasing shades without starving the colours that cover many pixels.
std::vector<Packed> medianCut(std::vector<Entry> entries, std::size_t target)
{
    if (entries.empty() || target == 0)
        return {};
    std::vector<CutBox> boxes{measure(entries, 0, entries.size())};
    while (boxes.size() < target) {
        auto worst = std::max_element(boxes.begin(), boxes.end(),
                                      [](const CutBox& a, const CutBox& b) { return a.error < b.error; });
        if (worst->error <= 0 || worst->end - worst->begin < 2)
            break;
        const CutBox box = *worst;
        std::sort(entries.begin() + std::ptrdiff_t(box.begin), entries.begin() + std::ptrdiff_t(box.end),
                  [&](const Entry& a, const Entry& b) {
                      return channel(a.colour, box.axis) < channel(b.colour, box.axis)
                             || (channel(a.colour, box.axis) == channel(b.colour, box.axis) && a.colour < b.colour);
                  });
        double total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i)
            total += entries[i].count;
        std::size_t split = box.begin + 1;
        double below = entries[box.begin].count;
        while (split < box.end - 1 && below < total / 2)
            below += entries[split++].count;
        *worst = measure(entries, box.begin, split);
        boxes.push_back(measure(entries, split, box.end));
    }
    std::vector<Packed> colours;
    for (const CutBox& box : boxes)
        colours.push_back(box.mean);
    return colours;
}

// Threshold map of 8 × 8 ordered dithering (Bayer), values 0 to 63.
constexpr std::uint8_t bayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

class Mapper
{
public:
    explicit Mapper(const std::vector<Packed>& palette)
        : m_palette(palette)
    {
        for (std::size_t i = 0; i < palette.size(); ++i)
            m_exact.emplace(palette[i], std::uint8_t(i));
    }

    const std::uint8_t* exact(Packed c) const
    {
        auto it = m_exact.find(c);
        return it == m_exact.end() ? nullptr : &it->second;
    }

    std::uint8_t nearest(Packed c)
    {
        auto [it, added] = m_nearest.try_emplace(c, 0);
        if (added)
            it->second = search(
                c, [](Packed) { return true; }, 0);
        return it->second;
    }

    // Chooses between the nearest entry and the nearest one on the far side of the colour, in the proportion
    // that makes the average of the pattern match the colour.
    std::uint8_t dithered(Packed c, int x, int y)
    {
        const std::uint8_t near = nearest(c);
        auto [it, added] = m_partner.try_emplace(c, near);
        if (added) {
            const Packed n = m_palette[near];
            const int toColour[3] = {red(c) - red(n), green(c) - green(n), blue(c) - blue(n)};
            it->second = search(
                c,
                [&](Packed p) {
                    return toColour[0] * (red(p) - red(n)) + toColour[1] * (green(p) - green(n))
                               + toColour[2] * (blue(p) - blue(n))
                           > 0;
                },
                near);
        }
        const std::uint8_t far = it->second;
        if (far == near)
            return near;
        const Packed n = m_palette[near], f = m_palette[far];
        const double along =
            double((red(c) - red(n)) * (red(f) - red(n)) + (green(c) - green(n)) * (green(f) - green(n))
                   + (blue(c) - blue(n)) * (blue(f) - blue(n)))
            / double(distance2(n, f));
        return (bayer[y & 7][x & 7] + 0.5) / 64.0 < along ? far : near;
    }

private:
    // Returns the entry nearest to c among those `accept` allows, or `fallback` when it allows none.
    template <typename Accept> std::uint8_t search(Packed c, Accept accept, std::uint8_t fallback) const
    {
        int best = std::numeric_limits<int>::max();
        std::uint8_t index = fallback;
        for (std::size_t i = 0; i < m_palette.size(); ++i) {
            const int d = distance2(c, m_palette[i]);
            if (d < best && accept(m_palette[i])) {
                best = d;
                index = std::uint8_t(i);
            }
        }
        return index;
    }

    const std::vector<Packed>& m_palette;
    std::unordered_map<Packed, std::uint8_t> m_exact;
    std::unordered_map<Packed, std::uint8_t> m_nearest;
    std::unordered_map<Packed, std::uint8_t> m_partner;
};

bool isSmooth(const std::vector<Packed>& pixels, int width, int height, int x, int y)
{
    const Packed c = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    auto close = [&](int nx, int ny) {
        if (nx < 0 || ny < 0 || nx >= width || ny >= height)
            return true;
        const Packed n = pixels[std::size_t(ny) * std::size_t(width) + std::size_t(nx)];
        return std::abs(red(c) - red(n)) <= smoothStep && std::abs(green(c) - green(n)) <= smoothStep
               && std::abs(blue(c) - blue(n)) <= smoothStep;
    };
    return close(x - 1, y) && close(x + 1, y) && close(x, y - 1) && close(x, y + 1);
}

} // namespace

IndexedFrame quantize(const Image& image)
{
    IndexedFrame frame{image.width, image.height, {}, {}};
    if (image.isNull())
        return frame;
    const std::vector<Packed> pixels = readPixels(image);

    std::unordered_map<Packed, std::uint32_t> histogram;
    for (Packed c : pixels)
        ++histogram[c];
    std::vector<Entry> entries;
    entries.reserve(histogram.size());
    for (const auto& [colour, count] : histogram)
        entries.push_back({colour, count});
    // Sorted so that the palette, and therefore the file, is the same on every run.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.count != b.count ? a.count > b.count : a.colour < b.colour;
    });

    std::vector<Packed> palette;
    if (entries.size() <= maxColours) {
        for (const Entry& e : entries)
            palette.push_back(e.colour);
    } else {
        // A colour covering this many pixels is a flat fill or a gradient band: an exact entry keeps the gradient
        // free of bands, and the fill free of dither noise.
        const std::uint32_t largeArea = std::max<std::uint32_t>(48, std::uint32_t(pixels.size() / 2000));
        std::size_t exactCount = 0;
        while (exactCount < entries.size() && exactCount < maxExactEntries && entries[exactCount].count >= largeArea)
            palette.push_back(entries[exactCount++].colour);
        std::vector<Entry> rest(entries.begin() + std::ptrdiff_t(exactCount), entries.end());
        for (Packed c : medianCut(std::move(rest), maxColours - exactCount))
            if (std::find(palette.begin(), palette.end(), c) == palette.end())
                palette.push_back(c);
    }

    Mapper mapper(palette);
    const bool exactFit = entries.size() <= maxColours;
    frame.indices.resize(pixels.size());
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(image.width) + std::size_t(x);
            if (const std::uint8_t* hit = mapper.exact(pixels[i]))
                frame.indices[i] = *hit;
            else if (!exactFit && isSmooth(pixels, image.width, image.height, x, y))
                frame.indices[i] = mapper.dithered(pixels[i], x, y);
            else
                frame.indices[i] = mapper.nearest(pixels[i]);
        }
    }
    for (Packed c : palette)
        frame.palette.push_back({std::uint8_t(red(c)), std::uint8_t(green(c)), std::uint8_t(blue(c))});
    return frame;
}

} // namespace FramePalette
