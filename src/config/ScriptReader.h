// Reads the tagged configuration script into a new tree of nodes. The
// reader only ever builds a fresh root; it never touches an existing tree.
#pragma once

#include "config/ConfigNode.h"

#include <memory>
#include <string_view>

class Prompt;

// The new root "Root", or null when the script is invalid. Tokenizer errors
// are shown through `prompt`; structural errors fail silently.
std::unique_ptr<ConfigNode> ReadScript(std::string_view script, Prompt& prompt);
