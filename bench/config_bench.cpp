// Benchmarks of the configuration store: translation lookups in a table of
// the size a full language file reaches.
#include "config/Translator.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include <benchmark/benchmark.h>

namespace {

constexpr int kPairs = 1000;

std::string Source(int i)
{
    return "Meldung " + std::to_string(i * 7919 % 100003) + " der Station";
}

// Writes the pairs to a temporary file and loads them as the station would.
class TranslationTable {
public:
    TranslationTable()
    {
        std::string path =
            (std::filesystem::temp_directory_path() / "config-bench-XXXXXX").string();
        int fd = mkstemp(path.data());
        if (fd < 0)
            return;
        std::string text;
        for (int i = 0; i < kPairs; ++i) {
            text += '"';
            text += Source(i);
            text += "\" \"Message ";
            text += std::to_string(i);
            text += " of the station\"\n";
        }
        bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        close(fd);
        m_loaded = written && m_translator.LoadFile(path);
        std::remove(path.c_str());
    }

    const Translator& Get() const { return m_translator; }
    bool Loaded() const { return m_loaded; }

private:
    Translator m_translator;
    bool m_loaded = false;
};

void RunLookups(benchmark::State& state, const std::vector<std::string>& texts)
{
    static const TranslationTable table;
    if (!table.Loaded()) {
        state.SkipWithError("could not load the table");
        return;
    }
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.Get().Translate(texts[i]));
        i = (i + 1) % texts.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_TranslateHit(benchmark::State& state)
{
    std::vector<std::string> texts;
    for (int i = 0; i < kPairs; ++i)
        texts.push_back(Source(i));
    RunLookups(state, texts);
}
BENCHMARK(BM_TranslateHit);

void BM_TranslateMiss(benchmark::State& state)
{
    std::vector<std::string> texts;
    for (int i = 0; i < kPairs; ++i)
        texts.push_back(Source(i) + "!");
    RunLookups(state, texts);
}
BENCHMARK(BM_TranslateMiss);

} // namespace
