#include "config/ScriptReader.h"

#include "config/ScriptTokenizer.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

enum class Tag { Folder, Template, Include, Name, Content, String, Integer, Int64, Double, Raw };

constexpr std::array<std::string_view, 10> kTagWords = {"folder",  "template", "include", "name",
                                                        "content", "string",   "integer", "int64",
                                                        "double",  "raw"};

std::optional<Tag> LookupTag(std::string_view word)
{
    for (size_t i = 0; i < kTagWords.size(); ++i) {
        std::string_view keyword = kTagWords[i];
        if (word.size() == keyword.size() &&
            std::equal(word.begin(), word.end(), keyword.begin(), [](char a, char b) {
                return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
            }))
            return static_cast<Tag>(i);
    }
    return std::nullopt;
}

std::optional<NodeKind> KindOfTag(Tag tag)
{
    switch (tag) {
    case Tag::Folder:
    case Tag::Template:
        return NodeKind::Folder;
    case Tag::String:
        return NodeKind::String;
    case Tag::Integer:
        return NodeKind::Integer;
    case Tag::Int64:
        return NodeKind::Int64;
    case Tag::Double:
        return NodeKind::Double;
    case Tag::Raw:
        return NodeKind::Raw;
    default:
        return std::nullopt;
    }
}

struct Item {
    TokenKind kind;
    std::optional<Tag> tag; // for open and close tags
    const Token* token;
};

int64_t ParseInteger(const std::string& text)
{
    // Out-of-range numbers saturate, as the C library's conversion does.
    errno = 0;
    return std::strtoll(text.c_str(), nullptr, 10);
}

double ParseFraction(std::string_view text)
{
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

class Parser {
public:
    explicit Parser(const std::vector<Item>& items) : m_items(items) {}

    std::unique_ptr<ConfigNode> Run();

private:
    const Item* Peek(size_t offset = 0) const
    {
        return m_pos + offset < m_items.size() ? &m_items[m_pos + offset] : nullptr;
    }
    bool IsClose(const Item* item, Tag tag) const
    {
        return item != nullptr && item->kind == TokenKind::CloseTag && item->tag == tag;
    }
    bool ReadName();
    bool ReadContent();
    bool Close(Tag tag);

    struct Open {
        std::unique_ptr<ConfigNode> node;
    };

    const std::vector<Item>& m_items;
    size_t m_pos = 0;
    std::vector<Open> m_stack;
    std::unique_ptr<ConfigNode> m_root;
};

std::unique_ptr<ConfigNode> Parser::Run()
{
    m_root = std::make_unique<ConfigNode>(NodeKind::Folder, "Root");
    if (m_items.empty() || m_items.front().kind != TokenKind::OpenTag)
        return nullptr;
    while (m_pos < m_items.size()) {
        const Item& item = m_items[m_pos];
        if (item.kind == TokenKind::OpenTag) {
            ++m_pos;
            Tag tag = *item.tag;
            if (tag == Tag::Name) {
                if (!ReadName())
                    return nullptr;
            } else if (tag == Tag::Content) {
                if (!ReadContent())
                    return nullptr;
            } else if (std::optional<NodeKind> kind = KindOfTag(tag)) {
                m_stack.push_back({std::make_unique<ConfigNode>(*kind, std::string())});
            }
            continue;
        }
        if (item.kind == TokenKind::CloseTag) {
            ++m_pos;
            if (!Close(*item.tag))
                return nullptr;
            continue;
        }
        ++m_pos; // identifiers, stray strings and numbers have no effect
    }
    if (!m_stack.empty())
        return nullptr;
    return std::move(m_root);
}

bool Parser::ReadName()
{
    if (m_stack.empty())
        return false;
    const Item* value = Peek();
    if (value == nullptr || value->kind != TokenKind::String || !IsClose(Peek(1), Tag::Name) ||
        !IsValidNodeName(value->token->text))
        return false;
    m_stack.back().node->SetName(value->token->text);
    m_pos += 2;
    return true;
}

bool Parser::ReadContent()
{
    if (m_stack.empty())
        return false;
    ConfigNode& node = *m_stack.back().node;
    const Item* value = Peek();
    switch (node.Kind()) {
    case NodeKind::String:
        if (value != nullptr && value->kind == TokenKind::String) {
            node.SetString(value->token->text);
            ++m_pos;
        }
        break;
    case NodeKind::Integer:
        if (value != nullptr && value->kind == TokenKind::Integer) {
            node.SetInt(static_cast<int32_t>(
                static_cast<uint32_t>(static_cast<uint64_t>(ParseInteger(value->token->text)))));
            ++m_pos;
        }
        break;
    case NodeKind::Int64:
        if (value != nullptr && value->kind == TokenKind::Integer) {
            node.SetInt64(ParseInteger(value->token->text));
            ++m_pos;
        }
        break;
    case NodeKind::Double: {
        const Token* integer = nullptr;
        if (value != nullptr && value->kind == TokenKind::Integer) {
            integer = value->token;
            node.SetDouble(static_cast<double>(ParseInteger(integer->text)));
            ++m_pos;
            value = Peek();
        }
        if (value != nullptr && value->kind == TokenKind::Fraction) {
            std::string text = value->token->text;
            // "-1.5" arrives as the integer "-1" and the fraction ".5"; read
            // adjacent pieces as the one number they were written as.
            bool adjacent =
                integer != nullptr && text.front() == '.' && integer->line == value->token->line &&
                integer->column + static_cast<int>(integer->text.size()) == value->token->column;
            if (adjacent)
                text = integer->text + text;
            node.SetDouble(ParseFraction(text));
            ++m_pos;
        }
        break;
    }
    case NodeKind::Folder:
    case NodeKind::Raw:
        break;
    }
    if (!IsClose(Peek(), Tag::Content))
        return false;
    ++m_pos;
    return true;
}

bool Parser::Close(Tag tag)
{
    if (m_stack.empty())
        return false;
    if (tag == Tag::Include || tag == Tag::Name || tag == Tag::Content)
        return true;
    std::unique_ptr<ConfigNode> node = std::move(m_stack.back().node);
    m_stack.pop_back();
    ConfigNode& owner = m_stack.empty() ? *m_root : *m_stack.back().node;
    if (tag == Tag::Template && !m_stack.empty()) {
        owner.SetTemplate(std::move(node));
        return true;
    }
    // The image addresses children by name alone: a second child of the
    // same name would be saved but could never be loaded back.
    if (owner.Child(node->Name()) != nullptr)
        return false;
    owner.AddChild(std::move(node));
    return true;
}

} // namespace

std::unique_ptr<ConfigNode> ReadScript(std::string_view script, Prompt& prompt)
{
    TokenizeResult tokens = TokenizeScript(script);
    if (tokens.error != TokenError::None) {
        prompt.Show(ScriptErrorMessage(static_cast<int>(tokens.error), tokens.errorLine,
                                       tokens.errorColumn),
                    "Wardex", PromptIcon::Error, PromptButtons::Ok);
        return nullptr;
    }

    std::vector<Item> items;
    items.reserve(tokens.tokens.size());
    for (const Token& token : tokens.tokens) {
        if (token.kind == TokenKind::WhiteSpace || token.kind == TokenKind::Comment)
            continue;
        Item item{token.kind, std::nullopt, &token};
        if (token.kind == TokenKind::OpenTag || token.kind == TokenKind::CloseTag) {
            item.tag = LookupTag(token.text);
            if (!item.tag)
                return nullptr;
        }
        items.push_back(item);
    }
    return Parser(items).Run();
}
