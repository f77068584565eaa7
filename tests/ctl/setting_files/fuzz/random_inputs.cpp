// Drives the setting-file fuzz target with seeded random inputs, for machines without libFuzzer:
// a fixed number of files built from the format's own pieces and random bytes, the same on every
// run of one seed. Usage: setting_file_random_inputs <count> <seed>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

const std::vector<std::string> kPieces = {
    "UNIT",
    "UNITS",
    "wt",
    "WT",
    "Wt",
    "SLAVE",
    "10",
    "16",
    "0x",
    "0X1F",
    "3C",
    "FF",
    "-",
    "+",
    "-1",
    "4294967296",
    "99999999999",
    "1G",
    "ZZ",
    ",",
    ",,",
    " ",
    "\t",
    "\r\n",
    "\r",
    "\n",
    "#",
    ";",
    "/",
    std::string(1, '\0'),
    std::string(250, '1'),
    std::string(40, ','),
    "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20",
};

std::string RandomFile(std::mt19937& random) {
    std::string file;
    const int pieces = std::uniform_int_distribution<int>(0, 60)(random);
    for (int i = 0; i < pieces; ++i) {
        if (random() % 8 == 0) {
            file.push_back(static_cast<char>(random()));
        } else {
            file += kPieces[random() % kPieces.size()];
        }
    }
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <count> <seed>\n", argv[0]);
        return 2;
    }
    const long count = std::strtol(argv[1], nullptr, 10);
    std::mt19937 random(static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10)));
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < count; ++i) {
        const std::string file = RandomFile(random);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%ld inputs in %.1f s\n", count, seconds.count());
    return 0;
}
