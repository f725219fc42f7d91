#include "ocr/tesseract/ScreenText.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {
// Ink is what differs clearly from a light ground: anti-aliased edges and pale greys do not count.
constexpr int inkBelow = 160;
// Measured on drawn 9-14 px UI text and the corpus's small table crops: 9-11 px text loses 1-4 % of its characters
// at 1× and almost none once a line's ink is 20 px tall; aiming higher (26, 32) read the tables no better.
constexpr double targetTextHeight = 20;
constexpr double maxScale = 4;
// Smaller steps read no better (drawn 13-14 px screen text and the corpus tables alike) and cost up to 1.7 times the
// pixels; a table of 16-17 px lines scaled by 1.25 was even misread more (CER 0.111 against 0.078 unscaled).
constexpr double minScale = 1.3;
constexpr int margin = 16;
constexpr int minRuleRun = 30;

ScreenText::Grey scaled(const ScreenText::Grey& grey, double scale)
{
    ScreenText::Grey out;
    out.width = std::max(1, static_cast<int>(std::lround(grey.width * scale)));
    out.height = std::max(1, static_cast<int>(std::lround(grey.height * scale)));
    out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
    // Bilinear: smooth edges read better than the blocky glyphs of pixel repetition.
    std::vector<int> x0(out.width), x1(out.width);
    std::vector<double> fx(out.width);
    for (int x = 0; x < out.width; ++x) {
        const double sx = std::clamp((x + 0.5) / scale - 0.5, 0.0, grey.width - 1.0);
        x0[x] = static_cast<int>(sx);
        x1[x] = std::min(x0[x] + 1, grey.width - 1);
        fx[x] = sx - x0[x];
    }
    for (int y = 0; y < out.height; ++y) {
        const double sy = std::clamp((y + 0.5) / scale - 0.5, 0.0, grey.height - 1.0);
        const int y0 = static_cast<int>(sy);
        const int y1 = std::min(y0 + 1, grey.height - 1);
        const double fy = sy - y0;
        std::uint8_t* row = out.pixels.data() + static_cast<std::size_t>(y) * out.width;
        for (int x = 0; x < out.width; ++x) {
            const double top = grey.at(x0[x], y0) * (1 - fx[x]) + grey.at(x1[x], y0) * fx[x];
            const double bottom = grey.at(x0[x], y1) * (1 - fx[x]) + grey.at(x1[x], y1) * fx[x];
            row[x] = static_cast<std::uint8_t>(std::lround(top * (1 - fy) + bottom * fy));
        }
    }
    return out;
}

// A binary mask the size of an image, one byte a pixel.
using Mask = std::vector<std::uint8_t>;

// Grows (`grow`) or shrinks the set pixels of a mask by a square of side 2 × radius + 1, one direction at a time.
// Beyond the edge counts as unset for growing and as set for shrinking: a band touching the image's edge is not
// worn away from that side. Both passes walk the mask row by row, since a page's mask is far larger than a cache.
Mask morphed(const Mask& mask, int width, int height, int radius, bool grow)
{
    const auto w = static_cast<std::size_t>(width);
    Mask across(mask.size()), out(mask.size());
    std::vector<int> sums(w + 1, 0);
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        const std::uint8_t* in = mask.data() + y * w;
        std::uint8_t* result = across.data() + y * w;
        for (int x = 0; x < width; ++x)
            sums[x + 1] = sums[x] + in[x];
        for (int x = 0; x < width; ++x) {
            const int lo = std::max(0, x - radius), hi = std::min(width, x + radius + 1);
            const int set = sums[hi] - sums[lo];
            result[x] = grow ? set > 0 : set == hi - lo;
        }
    }
    // Down the columns: how many rows of the window around the current row are set, kept per column.
    std::vector<int> count(w, 0);
    int lo = 0, hi = 0;
    for (int y = 0; y < height; ++y) {
        for (; hi < std::min(height, y + radius + 1); ++hi) {
            const std::uint8_t* row = across.data() + static_cast<std::size_t>(hi) * w;
            for (std::size_t x = 0; x < w; ++x)
                count[x] += row[x];
        }
        for (; lo < std::max(0, y - radius); ++lo) {
            const std::uint8_t* row = across.data() + static_cast<std::size_t>(lo) * w;
            for (std::size_t x = 0; x < w; ++x)
                count[x] -= row[x];
        }
        std::uint8_t* result = out.data() + static_cast<std::size_t>(y) * w;
        const int rows = hi - lo;
        for (std::size_t x = 0; x < w; ++x)
            result[x] = grow ? count[x] > 0 : count[x] == rows;
    }
    return out;
}

ScreenText::Grey framed(const ScreenText::Grey& grey, int border)
{
    ScreenText::Grey out;
    out.width = grey.width + 2 * border;
    out.height = grey.height + 2 * border;
    out.pixels.assign(static_cast<std::size_t>(out.width) * out.height, 255);
    for (int y = 0; y < grey.height; ++y)
        std::copy_n(grey.pixels.data() + static_cast<std::size_t>(y) * grey.width, grey.width,
                    out.pixels.data() + static_cast<std::size_t>(y + border) * out.width + border);
    return out;
}
} // namespace

Image ScreenText::Grey::view() const
{
    Image image;
    image.width = width;
    image.height = height;
    image.stride = width;
    image.format = Image::Format::Grey8;
    image.pixels = pixels.data();
    return image;
}

ScreenText::Grey ScreenText::greyOf(const Image& image)
{
    Grey grey;
    grey.width = image.width;
    grey.height = image.height;
    grey.pixels.resize(static_cast<std::size_t>(grey.width) * grey.height);
    for (int y = 0; y < grey.height; ++y)
        image.greyRow(y, grey.pixels.data() + static_cast<std::size_t>(y) * grey.width);
    return grey;
}

void ScreenText::blank(Grey& grey, const std::array<Point, 4>& corners, int grow)
{
    double cx = 0, cy = 0;
    for (const Point& p : corners) {
        cx += p.x / 4;
        cy += p.y / 4;
    }
    // Grow the quadrilateral about its centre; ZXing's corners sit on the outer modules, and the quiet zone and
    // anti-aliased edges around them would otherwise still read as letters.
    std::array<Point, 4> grown;
    double minX = grey.width, minY = grey.height, maxX = 0, maxY = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const double dx = corners[i].x - cx, dy = corners[i].y - cy;
        const double length = std::hypot(dx, dy);
        const double stretch = length > 0 ? (length + grow * std::sqrt(2.0)) / length : 1;
        grown[i] = Point{cx + dx * stretch, cy + dy * stretch};
        minX = std::min(minX, grown[i].x);
        minY = std::min(minY, grown[i].y);
        maxX = std::max(maxX, grown[i].x);
        maxY = std::max(maxY, grown[i].y);
    }
    // The corners' winding depends on the code's rotation and mirroring: accept either side consistently.
    auto inside = [&grown](double x, double y) {
        int sign = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            const Point& a = grown[i];
            const Point& b = grown[(i + 1) % 4];
            const double cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
            const int s = cross > 0 ? 1 : (cross < 0 ? -1 : 0);
            if (s == 0)
                continue;
            if (sign == 0)
                sign = s;
            else if (s != sign)
                return false;
        }
        return true;
    };
    const int x0 = std::max(0, static_cast<int>(std::floor(minX)));
    const int y0 = std::max(0, static_cast<int>(std::floor(minY)));
    const int x1 = std::min(grey.width - 1, static_cast<int>(std::ceil(maxX)));
    const int y1 = std::min(grey.height - 1, static_cast<int>(std::ceil(maxY)));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (inside(x + 0.5, y + 0.5))
                grey.pixels[static_cast<std::size_t>(y) * grey.width + x] = 255;
}

int ScreenText::textHeight(const Grey& grey)
{
    if (grey.width == 0 || grey.height == 0)
        return 0;
    // Columns inked over most of the height are vertical rules or borders, not text.
    std::vector<int> columnInk(grey.width, 0);
    for (int y = 0; y < grey.height; ++y)
        for (int x = 0; x < grey.width; ++x)
            columnInk[x] += grey.at(x, y) < inkBelow;
    std::vector<bool> textColumn(grey.width);
    int textColumns = 0;
    for (int x = 0; x < grey.width; ++x) {
        textColumn[x] = columnInk[x] * 2 < grey.height;
        textColumns += textColumn[x];
    }
    if (textColumns == 0)
        return 0;

    std::vector<int> bands;
    int run = 0;
    for (int y = 0; y <= grey.height; ++y) {
        bool inked = false;
        if (y < grey.height) {
            int ink = 0;
            for (int x = 0; x < grey.width; ++x)
                ink += textColumn[x] && grey.at(x, y) < inkBelow;
            // A row inked over most of its width is a horizontal rule or a filled band: it separates lines.
            inked = ink > 0 && ink * 2 < textColumns;
        }
        if (inked) {
            ++run;
        } else {
            if (run >= 3)
                bands.push_back(run);
            run = 0;
        }
    }
    if (bands.empty())
        return 0;
    std::sort(bands.begin(), bands.end());
    return bands[bands.size() / 2];
}

bool ScreenText::invertIfDark(Grey& grey)
{
    std::uint64_t sum = 0;
    for (std::uint8_t value : grey.pixels)
        sum += value;
    if (grey.pixels.empty() || sum >= 128 * static_cast<std::uint64_t>(grey.pixels.size()))
        return false;
    for (std::uint8_t& value : grey.pixels)
        value = static_cast<std::uint8_t>(255 - value);
    return true;
}

void ScreenText::clearShading(Grey& grey, int textHeight)
{
    const int w = grey.width, h = grey.height;
    // Larger pictures (photographs of whole documents) keep their shading: the masks below would cost hundreds of
    // megabytes. A page at 300 dpi or a 4K screen is well below this.
    constexpr std::size_t maxShadedPixels = 16'000'000;
    if (textHeight <= 0 || w == 0 || h == 0 || grey.pixels.size() > maxShadedPixels)
        return;
    constexpr std::uint8_t shadeBelow = 200;
    Mask shade(grey.pixels.size());
    for (std::size_t i = 0; i < shade.size(); ++i)
        shade[i] = grey.pixels[i] < shadeBelow;
    // Opening wears away everything thinner than about half a text line (strokes of dark text on white, rules);
    // closing then fills the holes that light letters leave in a shaded band.
    const int open = std::max(2, textHeight / 4);
    const int close = std::max(3, textHeight * 3 / 4);
    shade = morphed(shade, w, h, open, false);
    // Nothing as thick as a shaded band: a page of plain text on white, the common case.
    if (std::find(shade.begin(), shade.end(), 1) == shade.end())
        return;
    shade = morphed(shade, w, h, open, true);
    shade = morphed(morphed(shade, w, h, close, true), w, h, close, false);
    Mask unvisited = shade;

    // Visits the connected shaded pixels from `start`, clearing them in `mask`.
    std::vector<std::uint32_t> stack;
    const auto flood = [&](Mask& mask, std::size_t start, const auto& visit) {
        stack.assign(1, static_cast<std::uint32_t>(start));
        mask[start] = 0;
        while (!stack.empty()) {
            const std::uint32_t i = stack.back();
            stack.pop_back();
            const int x = static_cast<int>(i % static_cast<std::uint32_t>(w));
            const int y = static_cast<int>(i / static_cast<std::uint32_t>(w));
            visit(i, x, y);
            for (const long long n : {x > 0 ? i - 1LL : -1LL, x + 1 < w ? i + 1LL : -1LL, y > 0 ? i - 1LL * w : -1LL,
                                      y + 1 < h ? i + 1LL * w : -1LL})
                if (n >= 0 && mask[static_cast<std::size_t>(n)]) {
                    mask[static_cast<std::size_t>(n)] = 0;
                    stack.push_back(static_cast<std::uint32_t>(n));
                }
        }
    };
    for (std::size_t start = 0; start < unvisited.size(); ++start) {
        if (!unvisited[start])
            continue;
        int minX = w, maxX = -1, minY = h, maxY = -1;
        std::array<std::size_t, 256> histogram{};
        std::size_t count = 0;
        flood(unvisited, start, [&](std::uint32_t i, int x, int y) {
            minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
            ++histogram[grey.pixels[i]];
            ++count;
        });
        // A band across most of the picture that could hold a line of text, mostly filled with one even shade: a
        // shaded header or a striped row. A photograph or a large glyph is no even shade, and the shaded labels
        // of a figure on a page are not table rows; they stay as they are.
        if (2 * (maxX - minX + 1) < w || maxY - minY + 1 < textHeight)
            continue;
        int ground = 0;
        for (std::size_t below = 0; below + histogram[static_cast<std::size_t>(ground)] <= count / 2; ++ground)
            below += histogram[static_cast<std::size_t>(ground)];
        std::size_t even = 0;
        for (int v = std::max(0, ground - 24); v <= std::min(255, ground + 24); ++v)
            even += histogram[static_cast<std::size_t>(v)];
        if (5 * even < 3 * count)
            continue;
        // Text darker or lighter than the shade both become dark on white, as strong as it stood out.
        flood(shade, start, [&](std::uint32_t i, int, int) {
            grey.pixels[i] = static_cast<std::uint8_t>(std::clamp(255 - 2 * std::abs(grey.pixels[i] - ground), 0, 255));
        });
    }
}

void ScreenText::removeRules(Grey& grey, int minRun)
{
    // Rules are often drawn in a lighter grey than text, so they count as ink up to a paler level.
    constexpr std::uint8_t ruleBelow = 200;
    std::vector<bool> rule(grey.pixels.size(), false);
    auto index = [&grey](int x, int y) { return static_cast<std::size_t>(y) * grey.width + x; };
    for (int y = 0; y < grey.height; ++y) {
        for (int x = 0; x < grey.width;) {
            int end = x;
            while (end < grey.width && grey.at(end, y) < ruleBelow)
                ++end;
            if (end - x >= minRun)
                for (int i = x; i < end; ++i)
                    rule[index(i, y)] = true;
            x = end + 1;
        }
    }
    // A table drawn cell by cell leaves a pixel of ground where its vertical rules cross the horizontal ones: such
    // a gap does not end the rule.
    constexpr int crossingGap = 2;
    const auto inkAt = [&grey](int x, int y) { return y < grey.height && grey.at(x, y) < ruleBelow; };
    for (int x = 0; x < grey.width; ++x) {
        for (int y = 0; y < grey.height;) {
            int end = y;
            while (inkAt(x, end) || (end > y && (inkAt(x, end + 1) || inkAt(x, end + crossingGap))))
                ++end;
            while (end > y && !inkAt(x, end - 1))
                --end;
            if (end - y >= minRun)
                for (int i = y; i < end; ++i)
                    rule[index(x, i)] = true;
            y = end + 1;
        }
    }
    for (std::size_t i = 0; i < rule.size(); ++i)
        if (rule[i])
            grey.pixels[i] = 255;
}

ScreenText::Prepared ScreenText::prepare(Grey grey, std::int64_t maxPixels)
{
    Prepared prepared;
    prepared.inverted = invertIfDark(grey);
    prepared.textHeight = textHeight(grey);
    // Runs this long are far wider than any glyph stroke at the text's size; long dashes and underlined links
    // are lost, which costs less than a table read as one glyph.
    clearShading(grey, prepared.textHeight);
    if (prepared.textHeight > 0)
        removeRules(grey, std::max(minRuleRun, 3 * prepared.textHeight));
    double scale = 1;
    if (prepared.textHeight > 0 && prepared.textHeight < targetTextHeight)
        scale = std::min(maxScale, targetTextHeight / prepared.textHeight);
    const double pixels = static_cast<double>(grey.width) * grey.height;
    if (scale > 1 && pixels * scale * scale > static_cast<double>(maxPixels))
        scale = std::max(1.0, std::sqrt(static_cast<double>(maxPixels) / pixels));
    if (scale >= 1.3) {
        grey = scaled(grey, scale);
        prepared.scale = scale;
    }
    prepared.margin = margin;
    prepared.grey = framed(grey, prepared.margin);
    return prepared;
}

LineBoxes::PixelBox ScreenText::inkBox(const Grey& grey, const LineBoxes::PixelBox& box)
{
    const int left = std::max(box.left, 0), right = std::min(box.right, grey.width);
    const int top = std::max(box.top, 0), bottom = std::min(box.bottom, grey.height);
    // Small print scaled up is pale: its ink is what stands out from the ground as well as the darkest pixel does.
    int darkest = 255;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            darkest = std::min<int>(darkest, grey.at(x, y));
    const int below = std::max(inkBelow, (darkest + 255) / 2);
    LineBoxes::PixelBox ink{right, bottom, left, top};
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (grey.at(x, y) >= below)
                continue;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x + 1);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y + 1);
        }
    }
    return ink.left < ink.right ? ink : box;
}

Rect ScreenText::toOriginal(const LineBoxes::PixelBox& box, const Prepared& prepared, int originalWidth,
                            int originalHeight)
{
    auto toX = [&](int v) { return std::clamp((v - prepared.margin) / prepared.scale, 0.0, double(originalWidth)); };
    auto toY = [&](int v) { return std::clamp((v - prepared.margin) / prepared.scale, 0.0, double(originalHeight)); };
    const double left = toX(box.left), right = toX(box.right);
    const double top = toY(box.top), bottom = toY(box.bottom);
    // Rows count up from the bottom edge in our boxes, down from the top in Tesseract's.
    return Rect{left, originalHeight - bottom, right - left, bottom - top};
}
