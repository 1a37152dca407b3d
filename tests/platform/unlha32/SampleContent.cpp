#include "tests/platform/unlha32/SampleContent.h"

#include <random>

namespace tarvo::test {

namespace {

std::string RandomText(size_t size, std::mt19937& gen) {
    static const char* const words[] = {"the",    "trunk", "archive", "送信", "of", "folder", "and",  "受信",
                                        "server", "a",     "file",    "is",   "to", "packed", "with", "password"};
    std::string out;
    while (out.size() < size) {
        out += words[gen() % std::size(words)];
        out += gen() % 12 == 0 ? "\r\n" : " ";
    }
    return out;
}

std::string Records(size_t size, std::mt19937& gen) {
    std::string out;
    while (out.size() < size)
        out += "2024-04-" + std::to_string(gen() % 28 + 1) + ";item" + std::to_string(gen() % 10000) + ";" +
               std::to_string(gen() % 100000) + ";" + (gen() % 7 ? "ok" : "ng") + "\r\n";
    return out;
}

std::string Runs(size_t size, std::mt19937& gen) {
    std::string out;
    while (out.size() < size)
        out.append(1 + gen() % 5000, static_cast<char>(gen()));
    return out;
}

std::string Bytes(size_t size, unsigned alphabet, std::mt19937& gen) {
    std::string out(size, '\0');
    for (auto& c : out)
        c = static_cast<char>(gen() % alphabet);
    return out;
}

}  // namespace

std::string MakeContent(ContentKind kind, size_t size, uint32_t seed) {
    std::mt19937 gen(seed);
    std::string out;
    switch (kind) {
        case ContentKind::Random:
            out = Bytes(size, 256, gen);
            break;
        case ContentKind::Dense:
            out = Bytes(size, 200 + gen() % 56, gen);
            break;
        case ContentKind::Text:
            out = RandomText(size, gen);
            break;
        case ContentKind::Records:
            out = Records(size, gen);
            break;
        case ContentKind::Runs:
            out = Runs(size, gen);
            break;
    }
    out.resize(size);
    return out;
}

const char* ContentKindName(ContentKind kind) {
    static const char* const names[] = {"random", "dense", "text", "records", "runs"};
    return names[static_cast<int>(kind)];
}

}  // namespace tarvo::test
