#include "sources/Confined.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

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
    Confined::allow(std::uint64_t{1} << 40); // no helper, no limit to raise
}

TEST(ConfinedTest, FieldsKeepEveryByteAndMalformedBytesAreRefused)
{
    const std::string withNul("a\0b", 3);
    const std::string packed = Confined::pack({"", withNul, "/path/bad\xFF.pdf"});
    const auto fields = Confined::unpack(packed);
    ASSERT_TRUE(fields);
    ASSERT_EQ(fields->size(), 3u);
    EXPECT_EQ((*fields)[0], "");
    EXPECT_EQ((*fields)[1], withNul);
    EXPECT_EQ((*fields)[2], "/path/bad\xFF.pdf");
    // Packs one after the other read as one list.
    EXPECT_EQ(Confined::unpack(packed + Confined::pack({"d"}))->size(), 4u);
    EXPECT_EQ(Confined::unpack("")->size(), 0u);
    EXPECT_FALSE(Confined::unpack(packed.substr(0, packed.size() - 1)));
    EXPECT_FALSE(Confined::unpack(packed + "xyz"));
}

TEST(ConfinedTest, ImagesCrossWithoutTheirStride)
{
    // Rows padded to 8 bytes arrive packed, pixel for pixel.
    std::vector<std::uint8_t> bytes(8 * 3, 0xEE);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            bytes[y * 8 + x] = static_cast<std::uint8_t>(10 * y + x);
    const Image source = Image::copyOf(5, 3, 8, Image::Format::Grey8, bytes.data());
    const auto back = Confined::unpackImage(Confined::packImage(source));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 5);
    EXPECT_EQ(back->height, 3);
    EXPECT_EQ(back->format, Image::Format::Grey8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(back->grey(x, y), 10 * y + x);

    const Image colour = Image::blankGrey(2, 2);
    std::string packed = Confined::packImage(colour);
    EXPECT_FALSE(Confined::unpackImage(packed.substr(0, packed.size() - 1)));
    EXPECT_FALSE(Confined::unpackImage(packed + "x"));
    EXPECT_FALSE(Confined::unpackImage("short"));
    packed[8] = 7; // no such format
    EXPECT_FALSE(Confined::unpackImage(packed));
}
