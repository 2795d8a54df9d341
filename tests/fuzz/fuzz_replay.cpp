// Runs the fuzz target's check without libFuzzer: over the files named on the
// command line (the seed corpus, or a crash file to reproduce) and then over
// a fixed number of texts built at random from the pieces numbers are made
// of. Any disagreement aborts with the text, as under the fuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void check(const std::string& text)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char* argv[])
{
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                check(readFile(entry.path()));
                ++files;
            }
        } else {
            check(readFile(path));
            ++files;
        }
    }

    static const char* const pieces[] = {
        "0", "1", "5", "9", "00", "17976931348623157", "22250738585072014", "4940656458412", "&H", "&h", "&O",
        "&o", "&", "FFFF", "ffff", "8000", "7FFF", "FFFFFFFF", "100000000", "777", "E", "e", "D", "d", "E+",
        "e-", "308", "309", "324", "-324", "999", ".", ".", "+", "-", " ", "\t", "\n", "\r", ",", "x", "\xc2\xa0",
        "\xd9\xa3", "\0",
    };
    std::mt19937 gen(20240601u);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 12);
    constexpr int generated = 300000;
    for (int i = 0; i < generated; ++i) {
        std::string text;
        for (int n = length(gen); n > 0; --n) {
            const char* p = pieces[piece(gen)];
            text += *p ? std::string(p) : std::string(1, '\0');
        }
        check(text);
    }
    std::printf("%d files and %d generated texts agree with the reference\n", files, generated);
    return 0;
}
