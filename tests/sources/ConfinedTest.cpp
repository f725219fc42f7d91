#include "sources/Confined.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <tuple>
#include <vector>

namespace {
std::optional<std::string> echo(std::string_view request)
{
    if (request == "nothing")
        return std::nullopt;
    if (request == "huge")
        throw std::bad_alloc();
    if (request == "broken")
        throw std::runtime_error("broken");
    return "echo:" + std::string(request);
}

const Confined::Job echoJob{"test-echo", echo};
} // namespace

// Without helpers (the state of every test process) a job runs in place, and its outcomes are the ones a helper
// would report.
TEST(ConfinedTest, JobOutcomesWithoutHelpers)
{
    const Confined::Reply done = echoJob.run("abc");
    EXPECT_EQ(done.outcome, Confined::Outcome::Done);
    EXPECT_EQ(done.bytes, "echo:abc");
    EXPECT_EQ(echoJob.run("nothing").outcome, Confined::Outcome::Unreadable);
    EXPECT_EQ(echoJob.run("huge").outcome, Confined::Outcome::TooLarge);
    EXPECT_EQ(echoJob.run("broken").outcome, Confined::Outcome::Unreadable);
}

TEST(ConfinedTest, FieldsAndImagesCrossWholeAndMalformedBytesAreRefused)
{
    const std::string withNul("a\0b", 3);
    const std::string packed = Confined::pack({"", withNul, "/path/bad\xFF.pdf"});
    const auto fields = Confined::unpack(packed);
    ASSERT_TRUE(fields);
    EXPECT_EQ(*fields, (std::vector<std::string_view>{"", withNul, "/path/bad\xFF.pdf"}));
    // Packs one after the other read as one list.
    EXPECT_EQ(Confined::unpack(packed + Confined::pack({"d"}))->size(), 4u);
    EXPECT_EQ(Confined::unpack("")->size(), 0u);
    EXPECT_FALSE(Confined::unpack(packed.substr(0, packed.size() - 1)));
    EXPECT_FALSE(Confined::unpack(packed + "xyz"));

    // Rows padded to 8 bytes arrive packed, pixel for pixel.
    std::vector<std::uint8_t> bytes(8 * 3, 0xEE);
    for (int i = 0; i < 15; ++i)
        bytes[i / 5 * 8 + i % 5] = static_cast<std::uint8_t>(i);
    const std::string image = Confined::packImage(Image::copyOf(5, 3, 8, Image::Format::Grey8, bytes.data()));
    const auto back = Confined::unpackImage(image);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::tuple(back->width, back->height, back->format), std::tuple(5, 3, Image::Format::Grey8));
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(back->grey(i % 5, i / 5), i);

    std::string noFormat = image;
    noFormat[8] = 7;
    for (const std::string& bad : {image.substr(0, image.size() - 1), image + "x", std::string("short"), noFormat})
        EXPECT_FALSE(Confined::unpackImage(bad)) << bad.size() << " bytes";
}
