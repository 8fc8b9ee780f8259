// Configuration tree: parsing a script the size of the built-in defaults,
// and saving and loading the image of a large installation (500 recorders
// with 40 alarm settings entries each).
#include "BenchSupport.h"
#include "config/ConfigTree.h"
#include "config/ScriptReader.h"
#include "config/TreeImage.h"
#include "platform/Prompt.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

namespace {

std::string Leaf(const char* tag, const std::string& name, const std::string& content, int tabs)
{
    std::string indent(static_cast<size_t>(tabs), '\t');
    return indent + "<" + tag + ">\r\n" + indent + "\t<NAME>\"" + name + "\"</NAME>\r\n" + indent +
           "\t<CONTENT>" + content + "</CONTENT>\r\n" + indent + "</" + tag + ">\r\n";
}

// An alarm-settings-like entry layout of 32 keys.
std::string SettingsKeys(int tabs)
{
    std::string out;
    for (int i = 0; i < 12; ++i)
        out += Leaf("INTEGER", "iKey" + std::to_string(i), std::to_string(i), tabs);
    for (int i = 0; i < 10; ++i)
        out += Leaf("STRING", "strKey" + std::to_string(i),
                    "\"Alarm text " + std::to_string(i) + "\"", tabs);
    for (int i = 0; i < 10; ++i)
        out += Leaf("INT64", "tKey" + std::to_string(i), "0", tabs);
    return out;
}

std::string Folder(const char* tag, const std::string& name, const std::string& body, int tabs)
{
    std::string indent(static_cast<size_t>(tabs), '\t');
    return indent + "<" + tag + ">\r\n" + indent + "\t<NAME>\"" + name + "\"</NAME>\r\n" + body +
           indent + "</" + tag + ">\r\n";
}

// About 20 KB, shaped like the defaults: lists with nested templates.
std::string DefaultsLikeScript()
{
    std::string settingsTemplate = Folder("TEMPLATE", "TEMPLATE", SettingsKeys(4), 3);
    std::string recorderTemplate =
        Folder("TEMPLATE", "TEMPLATE",
               Folder("FOLDER", "AlarmSettings", settingsTemplate, 3) +
                   Leaf("STRING", "IP", "\"0.0.0.0\"", 3) + Leaf("STRING", "Name", "\"\"", 3) +
                   Leaf("INTEGER", "iSignalState", "0", 3),
               2);
    std::string program = Folder("FOLDER", "DefaultAlarmSettings",
                                 Folder("TEMPLATE", "TEMPLATE", SettingsKeys(3), 2), 1) +
                          Folder("FOLDER", "RecorderList", recorderTemplate, 1);
    for (int f = 0; f < 6; ++f)
        program += Folder("FOLDER", "Section" + std::to_string(f), SettingsKeys(2), 1);
    return Folder("FOLDER", "Program", program, 0) +
           Folder("FOLDER", "Runtime", Folder("FOLDER", "GuardEvent", SettingsKeys(2), 1), 0);
}

void FillInstallation(ConfigTree& tree)
{
    ConfigNode* recorders = tree.TopFolder("Program")->Child("RecorderList");
    for (int r = 0; r < 500; ++r) {
        ConfigNode* recorder = recorders->NewEntry(0);
        recorder->Child("IP")->SetString("10.0." + std::to_string(r / 250) + "." +
                                         std::to_string(r % 250));
        ConfigNode* settings = recorder->Child("AlarmSettings");
        for (int a = 0; a < 40; ++a)
            settings->NewEntry(0)->Child("iKey1")->SetInt(a);
    }
}

void BM_ParseDefaultsSizedScript(benchmark::State& state)
{
    const std::string script = DefaultsLikeScript();
    NoPrompt prompt;
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadScript(script, prompt));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * script.size()));
    state.counters["script_bytes"] = static_cast<double>(script.size());
}
BENCHMARK(BM_ParseDefaultsSizedScript)->Unit(benchmark::kMicrosecond);

void BM_SaveImage500Recorders(benchmark::State& state)
{
    NoPrompt prompt;
    ConfigTree tree;
    tree.LoadDefaults(DefaultsLikeScript(), prompt);
    FillInstallation(tree);
    std::string path = (std::filesystem::temp_directory_path() / "wardex-bench-image.bin").string();
    for (auto _ : state)
        benchmark::DoNotOptimize(tree.SaveImage(path));
    state.counters["image_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::remove(path.c_str());
}
BENCHMARK(BM_SaveImage500Recorders)->Unit(benchmark::kMillisecond);

void BM_BuildImage500Recorders(benchmark::State& state)
{
    NoPrompt prompt;
    ConfigTree tree;
    tree.LoadDefaults(DefaultsLikeScript(), prompt);
    FillInstallation(tree);
    for (auto _ : state)
        benchmark::DoNotOptimize(TreeImage::Build(*tree.Root()));
}
BENCHMARK(BM_BuildImage500Recorders)->Unit(benchmark::kMillisecond);

void BM_LoadImage500Recorders(benchmark::State& state)
{
    NoPrompt prompt;
    const std::string script = DefaultsLikeScript();
    std::string path = (std::filesystem::temp_directory_path() / "wardex-bench-load.bin").string();
    {
        ConfigTree tree;
        tree.LoadDefaults(script, prompt);
        FillInstallation(tree);
        tree.SaveImage(path);
    }
    for (auto _ : state) {
        state.PauseTiming();
        ConfigTree tree;
        tree.LoadDefaults(script, prompt);
        state.ResumeTiming();
        benchmark::DoNotOptimize(tree.LoadImage(path));
        state.PauseTiming();
        // Destroying 700 000 nodes is not part of loading.
        tree.SetRoot(nullptr);
        state.ResumeTiming();
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadImage500Recorders)->Unit(benchmark::kMillisecond);

} // namespace
