// Access to the embedded default script; the bytes themselves are generated
// from default.script into the build folder.
#include "config/DefaultScript.h"

std::string_view DefaultScript()
{
    return {reinterpret_cast<const char*>(kDefaultScript), kDefaultScriptSize};
}
