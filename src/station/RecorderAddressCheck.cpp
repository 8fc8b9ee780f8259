#include "station/RecorderAddressCheck.h"

#include "config/ConfigNode.h"
#include "config/Translator.h"
#include "events/TextFormat.h"
#include "platform/Prompt.h"
#include "station/RecorderQueries.h"

#include <string_view>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Stripped(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

} // namespace

RecorderAddressCheck::RecorderAddressCheck(ConfigTree& tree, Prompt& prompt, SheetMode mode,
                                           std::string originalName)
    : m_tree(tree), m_prompt(prompt), m_mode(mode), m_originalName(std::move(originalName))
{
}

bool RecorderAddressCheck::IsComplete(const RecorderAddress& fields)
{
    return !Stripped(fields.ip).empty() && !Stripped(fields.name).empty();
}

bool RecorderAddressCheck::Check(RecorderAddress& fields) const
{
    fields.ip = Stripped(fields.ip);
    fields.name = Stripped(fields.name);

    std::string refusal;
    if (!IsValidNodeName(fields.name) || !IsValidNodeName(fields.ip)) {
        refusal = Tr("Name und IP duerfen keine Steuerzeichen enthalten!");
    } else if (m_mode == SheetMode::New) {
        if (HasRecorderAt(m_tree, fields.ip, fields.hybrid))
            refusal =
                FormatTr(TrNoop("Es existiert bereits ein Rekorder mit der IP \"%s\"!"), fields.ip);
        else if (HasRecorderNamed(m_tree, fields.name, 0))
            refusal = FormatTr(TrNoop("Es existiert bereits ein Rekorder mit dem Namen \"%s\"!"),
                               fields.name);
    } else {
        if (HasOtherRecorderAt(m_tree, fields.ip, fields.hybrid, m_originalName))
            refusal = FormatTr(
                TrNoop("Es existiert bereits ein anderer Rekorder mit der IP \"%s\"!"), fields.ip);
        else if (fields.name != m_originalName && HasRecorderNamed(m_tree, fields.name, 0))
            refusal =
                FormatTr(TrNoop("Es existiert bereits ein anderer Rekorder mit dem Namen \"%s\"!"),
                         fields.name);
    }
    if (refusal.empty())
        return true;
    m_prompt.Show(refusal, Tr("Wardex"), PromptIcon::Warning, PromptButtons::Ok);
    return false;
}
