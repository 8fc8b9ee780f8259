// Fuzzes the translation file reader: any bytes as a language file must load
// or fail cleanly, and a loaded table must be sorted, unique and searchable.
#include "config/Translator.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

void Check(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// One file per process, reused for every input. libFuzzer ends with _Exit,
// so nothing would remove a named file: it is unlinked at once and opened
// again through its descriptor's /proc link.
int InputFd()
{
    static const int fd = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "translation-fuzz-XXXXXX").string();
        int created = mkstemp(pattern.data());
        Check(created >= 0, "temporary file");
        unlink(pattern.c_str());
        return created;
    }();
    return fd;
}

void CheckTable(const Translator& translator)
{
    const auto& pairs = translator.Pairs();
    for (size_t i = 0; i < pairs.size(); ++i) {
        Check(!pairs[i].first.empty(), "no empty source");
        if (i > 0)
            Check(std::string_view(pairs[i - 1].first) < std::string_view(pairs[i].first),
                  "sources sorted and unique");
        Check(translator.Translate(pairs[i].first) == pairs[i].second, "every pair found");
        std::string miss = pairs[i].first + '\0';
        if (i + 1 == pairs.size() || pairs[i + 1].first != miss)
            Check(translator.Translate(miss) == miss, "a miss returns the text");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int fd = InputFd();
    // Cut to length after writing: truncating to zero first makes ext4 flush
    // the file to disk for every input.
    Check(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size), "write input");
    Check(ftruncate(fd, static_cast<off_t>(size)) == 0, "cut input");
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    Translator translator;
    if (!translator.LoadFile(path)) {
        Check(translator.Pairs().empty(), "failed load leaves no pairs");
        Check(translator.LastError().starts_with("Translation File Error in line "),
              "failure is a line error");
        return 0;
    }
    CheckTable(translator);

    // Loading the same file on top adds nothing and replaces nothing.
    auto before = translator.Pairs();
    Check(translator.LoadFile(path), "second load succeeds");
    Check(translator.Pairs() == before, "second load changes nothing");
    return 0;
}
