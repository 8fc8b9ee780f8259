// The rule-driven tokenizer of the configuration script. The token rules are
// compiled into one graph of states shared by common prefixes; each byte
// moves along every rule that still fits, without backtracking.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TokenKind : int {
    Identifier = 0,
    String = 1,
    WhiteSpace = 2,
    Comment = 3,
    Integer = 6,
    HexInteger = 7,
    Fraction = 8,
    OpenTag = 11,
    CloseTag = 12,
};

enum class TokenError : int {
    None = 0,
    NoMemory = 1,
    IllegalSequence = 2,
    RuleNotFinished = 3,
    InvalidCharacter = 4,
};

struct Token {
    TokenKind kind;
    std::string text;
    int line;
    int column;
};

struct TokenizeResult {
    std::vector<Token> tokens;
    TokenError error = TokenError::None;
    // Position of the byte being processed when the error occurred.
    int errorLine = 0;
    int errorColumn = 0;
};

TokenizeResult TokenizeScript(std::string_view text);

// "Script error: <name> Line: n Column m\n", or the text for unknown codes.
std::string ScriptErrorMessage(int code, int line, int column);
