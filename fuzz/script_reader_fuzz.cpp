// Fuzzes the script reader with arbitrary text; whatever it accepts must be
// a tree whose image loads back onto itself.
#include "SilentPrompt.h"
#include "config/ScriptReader.h"
#include "config/TreeImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SilentPrompt prompt;
    std::unique_ptr<ConfigNode> root =
        ReadScript(std::string_view(reinterpret_cast<const char*>(data), size), prompt);
    if (root == nullptr)
        return 0;
    if (root->Name() != "Root" || !root->IsFolder())
        std::abort();
    std::vector<uint8_t> image = TreeImage::Build(*root);
    if (!TreeImage::Apply(image, *root) || TreeImage::Build(*root) != image)
        std::abort();
    return 0;
}
