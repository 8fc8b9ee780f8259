// Fuzzes the tree image loader: an image is applied whole or not at all, and
// never reads outside its buffer.
#include "SilentPrompt.h"
#include "config/ScriptReader.h"
#include "config/TreeImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

// Lists with nested templates, leaves of every kind, a few levels deep.
const char kDefaults[] = R"(
<FOLDER><NAME>"Program"</NAME>
  <FOLDER><NAME>"RecorderList"</NAME>
    <TEMPLATE><NAME>"TEMPLATE"</NAME>
      <STRING><NAME>"IP"</NAME><CONTENT>""</CONTENT></STRING>
      <INTEGER><NAME>"Port"</NAME><CONTENT>30000</CONTENT></INTEGER>
      <FOLDER><NAME>"AlarmSettings"</NAME>
        <TEMPLATE><NAME>"TEMPLATE"</NAME>
          <INTEGER><NAME>"Priority"</NAME><CONTENT>3</CONTENT></INTEGER>
        </TEMPLATE>
      </FOLDER>
    </TEMPLATE>
  </FOLDER>
  <INT64><NAME>"iNextBackup"</NAME><CONTENT>0</CONTENT></INT64>
  <DOUBLE><NAME>"d"</NAME><CONTENT>1.5</CONTENT></DOUBLE>
  <RAW><NAME>"r"</NAME></RAW>
</FOLDER>
<FOLDER><NAME>"Runtime"</NAME>
  <FOLDER><NAME>"GuardEvent"</NAME>
    <STRING><NAME>"Recorder"</NAME><CONTENT>""</CONTENT></STRING>
  </FOLDER>
</FOLDER>
)";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SilentPrompt prompt;
    std::unique_ptr<ConfigNode> root = ReadScript(kDefaults, prompt);
    if (root == nullptr)
        std::abort();
    std::vector<uint8_t> before = TreeImage::Build(*root);
    if (!TreeImage::Apply(std::span<const uint8_t>(data, size), *root)) {
        if (TreeImage::Build(*root) != before)
            std::abort();
        return 0;
    }
    // Whatever was applied saves and reloads to the same tree.
    std::vector<uint8_t> after = TreeImage::Build(*root);
    if (!TreeImage::Apply(after, *root) || TreeImage::Build(*root) != after)
        std::abort();
    return 0;
}
