// The script tokenizer's tokens, errors and positions, and the parser's
// attachment and value rules.
#include "config/ScriptReader.h"

#include "config/ConfigTree.h"
#include "config/ScriptTokenizer.h"
#include "testsupport/FakePrompt.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Kinds = std::vector<std::pair<TokenKind, std::string>>;

Kinds Significant(std::string_view text)
{
    TokenizeResult result = TokenizeScript(text);
    EXPECT_EQ(result.error, TokenError::None) << text;
    Kinds kinds;
    for (const Token& token : result.tokens) {
        if (token.kind != TokenKind::WhiteSpace)
            kinds.emplace_back(token.kind, token.text);
    }
    return kinds;
}

TokenError ErrorOf(std::string_view text)
{
    return TokenizeScript(text).error;
}

std::unique_ptr<ConfigNode> ReadOk(std::string_view text)
{
    FakePrompt prompt;
    auto root = ReadScript(text, prompt);
    EXPECT_NE(root, nullptr) << text;
    EXPECT_TRUE(prompt.shown.empty());
    return root;
}

bool Fails(std::string_view text, size_t expectedMessages = 0)
{
    FakePrompt prompt;
    auto root = ReadScript(text, prompt);
    EXPECT_EQ(prompt.shown.size(), expectedMessages) << text;
    return root == nullptr;
}

std::string Leaf(std::string_view tag, std::string_view name, std::string_view content)
{
    std::string out = "<" + std::string(tag) + "><NAME>\"" + std::string(name) + "\"</NAME>";
    out += "<CONTENT>" + std::string(content) + "</CONTENT></" + std::string(tag) + ">";
    return out;
}

const ConfigNode& Only(const std::unique_ptr<ConfigNode>& root)
{
    EXPECT_EQ(root->ChildCount(), 1);
    return *root->ChildAt(0);
}

} // namespace

TEST(ScriptTokenizer, NumbersFollowTheGreedyRules)
{
    using K = TokenKind;
    EXPECT_EQ(Significant("12."), (Kinds{{K::Fraction, "12."}}));
    EXPECT_EQ(Significant("-7"), (Kinds{{K::Integer, "-7"}}));
    EXPECT_EQ(Significant("-1.5"), (Kinds{{K::Integer, "-1"}, {K::Fraction, ".5"}}));
    EXPECT_EQ(Significant("0x1F"), (Kinds{{K::HexInteger, "0x1F"}}));
    EXPECT_EQ(Significant("0X1f"), (Kinds{{K::HexInteger, "0X1f"}}));
    EXPECT_EQ(Significant("1e5 1E-5 1.e5"),
              (Kinds{{K::Fraction, "1e5"}, {K::Fraction, "1E-5"}, {K::Fraction, "1.e5"}}));
    EXPECT_EQ(
        Significant("1.5e3 0 0.5 00"),
        (Kinds{
            {K::Fraction, "1.5e3"}, {K::Integer, "0"}, {K::Fraction, "0.5"}, {K::Integer, "00"}}));
    EXPECT_EQ(Significant(".5f .5e+2 .25"),
              (Kinds{{K::Fraction, ".5f"}, {K::Fraction, ".5e+2"}, {K::Fraction, ".25"}}));
    EXPECT_EQ(Significant("1-2"), (Kinds{{K::Integer, "1"}, {K::Integer, "-2"}}));
    EXPECT_EQ(Significant("007"), (Kinds{{K::Integer, "007"}}));
}

TEST(ScriptTokenizer, StringsTagsIdentifiersAndComments)
{
    using K = TokenKind;
    EXPECT_EQ(Significant("\"a<b>/c\\d\r\ne\" \"\""),
              (Kinds{{K::String, "a<b>/c\\d\r\ne"}, {K::String, ""}}));
    EXPECT_EQ(Significant("<FOLDER></Folder><>"),
              (Kinds{{K::OpenTag, "FOLDER"}, {K::CloseTag, "Folder"}, {K::OpenTag, ""}}));
    EXPECT_EQ(Significant("<FOLDER >"), (Kinds{{K::OpenTag, "FOLDER "}}));
    EXPECT_EQ(Significant("_a1 b"), (Kinds{{K::Identifier, "_a1"}, {K::Identifier, "b"}}));
    EXPECT_EQ(Significant("/* x **/x/***/"),
              (Kinds{{K::Comment, "/* x **/"}, {K::Identifier, "x"}, {K::Comment, "/***/"}}));
    EXPECT_EQ(Significant("/*/ */"), (Kinds{{K::Comment, "/*/ */"}}));
}

TEST(ScriptTokenizer, Errors)
{
    EXPECT_EQ(ErrorOf("+"), TokenError::InvalidCharacter);
    EXPECT_EQ(ErrorOf("<A>="), TokenError::InvalidCharacter);
    EXPECT_EQ(ErrorOf("-"), TokenError::RuleNotFinished);
    EXPECT_EQ(ErrorOf("- 1"), TokenError::RuleNotFinished);
    EXPECT_EQ(ErrorOf("0x"), TokenError::RuleNotFinished);
    EXPECT_EQ(ErrorOf("0xg"), TokenError::RuleNotFinished);
    EXPECT_EQ(ErrorOf("\"open"), TokenError::RuleNotFinished);
    EXPECT_EQ(ErrorOf("<open"), TokenError::RuleNotFinished);
    EXPECT_EQ(ErrorOf("/* open"), TokenError::RuleNotFinished);
    EXPECT_EQ(ErrorOf("/*"), TokenError::RuleNotFinished);
    EXPECT_EQ(ErrorOf("1e"), TokenError::RuleNotFinished);
    EXPECT_EQ(ErrorOf("/x"), TokenError::RuleNotFinished);
    EXPECT_EQ(ErrorOf(""), TokenError::None);
}

TEST(ScriptTokenizer, LinesAndColumns)
{
    TokenizeResult result = TokenizeScript("<A>\n\t\"x\"\n");
    ASSERT_EQ(result.error, TokenError::None);
    ASSERT_EQ(result.tokens.size(), 4u);
    EXPECT_EQ(result.tokens[0].line, 0);
    EXPECT_EQ(result.tokens[0].column, 1);
    EXPECT_EQ(result.tokens[2].kind, TokenKind::String);
    EXPECT_EQ(result.tokens[2].line, 1);
    EXPECT_EQ(result.tokens[2].column, 2);
    // The LF itself starts a token at column 0 of the next line.
    EXPECT_EQ(result.tokens[1].line, 1);
    EXPECT_EQ(result.tokens[1].column, 0);

    TokenizeResult bad = TokenizeScript("<A>\n  =");
    EXPECT_EQ(bad.error, TokenError::InvalidCharacter);
    EXPECT_EQ(bad.errorLine, 1);
    EXPECT_EQ(bad.errorColumn, 3);
}

TEST(ScriptReaderMessages, TokenizerErrorsAreShownOnce)
{
    FakePrompt prompt;
    EXPECT_EQ(ReadScript("+<FOLDER>", prompt), nullptr);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Script error: <Invalid character> Line: 0 Column 1\n");
    EXPECT_EQ(prompt.shown[0].caption, "Wardex");
    EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::Ok);

    FakePrompt second;
    EXPECT_EQ(ReadScript("<FOLDER>\r\n<NAME>\"x", second), nullptr);
    ASSERT_EQ(second.shown.size(), 1u);
    EXPECT_EQ(second.shown[0].text, "Script error: <Rule not finished> Line: 1 Column 8\n");

    EXPECT_EQ(ScriptErrorMessage(1, 2, 3), "Script error: <No Memory> Line: 2 Column 3\n");
    EXPECT_EQ(ScriptErrorMessage(2, 0, 0), "Script error: <Illegal Sequence> Line: 0 Column 0\n");
    EXPECT_EQ(ScriptErrorMessage(9, 4, 5), "Unknown Script Error! Line: 4 Column 5\n");
}

TEST(ScriptReaderStructure, StructuralErrorsFailWithoutMessage)
{
    EXPECT_TRUE(Fails("\"text\" <FOLDER></FOLDER>")); // not starting with an open tag
    EXPECT_TRUE(Fails(""));
    EXPECT_TRUE(Fails("<FOLDER ></FOLDER>")); // blank inside the brackets
    EXPECT_TRUE(Fails("<FOLDER></FOLDERS>")); // tag word not in the table
    EXPECT_TRUE(Fails("<FOLDER><NAME>x</NAME></FOLDER>"));
    EXPECT_TRUE(Fails("<FOLDER><NAME>\"x\"</FOLDER>"));
    EXPECT_TRUE(Fails("<NAME>\"x\"</NAME>")); // name with nothing open
    EXPECT_TRUE(Fails("<CONTENT></CONTENT>"));
    EXPECT_TRUE(Fails("<STRING><CONTENT>\"x\"</STRING>"));
    EXPECT_TRUE(Fails("<FOLDER></FOLDER></FOLDER>")); // close with nothing open
    EXPECT_TRUE(Fails("<FOLDER><FOLDER></FOLDER>"));  // left open
    EXPECT_TRUE(Fails(Leaf("INTEGER", "i", "0x10"))); // hex is no content
    EXPECT_TRUE(Fails(Leaf("INTEGER", "i", "\"5\"")));
    EXPECT_TRUE(Fails(Leaf("STRING", "s", "5")));
    // Two children of one name could be saved but never loaded back.
    EXPECT_TRUE(Fails("<FOLDER><NAME>\"O\"</NAME><FOLDER><NAME>\"A\"</NAME></FOLDER>" +
                      Leaf("INTEGER", "A", "7") + "</FOLDER>"));
    EXPECT_TRUE(Fails(Leaf("INTEGER", "A", "1") + Leaf("INTEGER", "A", "2")));
}

TEST(ScriptReaderStructure, NamesWithControlBytesAreRefused)
{
    // "A" and "A\0" would be two siblings whose image loads back as one.
    EXPECT_TRUE(Fails("<FOLDER></NAME><FOLDER><NAME>\"A\"</NAME></FOLDER>" +
                      Leaf("INTEGER", std::string("A\0", 2), "1") + "</FOLDER>"));
    for (std::string name : {"\t", "a\nb", "x\x1f", "\x7f"})
        EXPECT_TRUE(Fails(Leaf("INTEGER", name, "1"))) << name;
    EXPECT_FALSE(Fails(Leaf("INTEGER", "a b\xc3\xa4", "1")));
}

TEST(ScriptReaderStructure, TagWordsInAnyCaseAndWhiteSpaceAnywhereBetweenTokens)
{
    auto root = ReadOk("<Folder>\r\n\t<name>\r\n\t\"A\"\r\n\t</NAME>\r\n"
                       "\t<folder><NaMe> \"B\" </nAmE></FOLDER>\r\n</folder>");
    const ConfigNode& a = Only(root);
    EXPECT_EQ(a.Name(), "A");
    EXPECT_TRUE(a.IsFolder());
    ASSERT_NE(a.Child("B"), nullptr);
}

TEST(ScriptReaderStructure, ClosingWordDecidesTheAttachment)
{
    auto root = ReadOk("<FOLDER><NAME>\"L\"</NAME>"
                       "<FOLDER><NAME>\"T\"</NAME>" +
                       Leaf("INTEGER", "v", "1") +
                       "</TEMPLATE>"
                       "<TEMPLATE><NAME>\"Plain\"</NAME></FOLDER>"
                       "</FOLDER>");
    const ConfigNode& list = Only(root);
    ASSERT_NE(list.Template(), nullptr);
    EXPECT_EQ(list.Template()->Name(), "T");
    EXPECT_EQ(list.Template()->Child("v")->GetInt(), 1);
    EXPECT_EQ(list.Child("T"), nullptr);
    ASSERT_NE(list.Child("Plain"), nullptr);
    EXPECT_TRUE(list.Child("Plain")->IsFolder());

    // A template at top level becomes a child of the root.
    auto top = ReadOk("<TEMPLATE><NAME>\"Top\"</NAME></TEMPLATE>");
    EXPECT_EQ(Only(top).Name(), "Top");
    EXPECT_EQ(top->Template(), nullptr);

    // Whatever was opened, the close tag closes the top node: an INTEGER
    // closed by </FOLDER> is still an INTEGER.
    auto mixed = ReadOk("<INTEGER><NAME>\"n\"</NAME><CONTENT>4</CONTENT></FOLDER>");
    EXPECT_EQ(Only(mixed).Kind(), NodeKind::Integer);
    EXPECT_EQ(Only(mixed).GetInt(), 4);
}

TEST(ScriptReaderStructure, ElementsAreSortedAndStrayTokensIgnored)
{
    auto root =
        ReadOk("<FOLDER><NAME>\"F\"</NAME> stray 12 \"text\" 1.5" + Leaf("INTEGER", "b", "1") +
               "<INCLUDE>" + Leaf("INTEGER", "a", "2") + "</INCLUDE></NAME></CONTENT>" +
               Leaf("INTEGER", "B", "3") + "/* comment <FOLDER> */</FOLDER>");
    const ConfigNode& folder = Only(root);
    ASSERT_EQ(folder.ChildCount(), 3);
    EXPECT_EQ(folder.ChildAt(0)->Name(), "B");
    EXPECT_EQ(folder.ChildAt(1)->Name(), "a");
    EXPECT_EQ(folder.ChildAt(2)->Name(), "b");
}

TEST(ScriptReaderValues, Integers)
{
    auto root = ReadOk("<FOLDER><NAME>\"F\"</NAME>" + Leaf("INTEGER", "m1", "-1") +
                       Leaf("INTEGER", "wrap", "4294967297") + Leaf("INT64", "big", "4294967297") +
                       Leaf("INT64", "neg", "-5") + "</FOLDER>");
    const ConfigNode& f = Only(root);
    ASSERT_EQ(f.Child("m1")->Content().size(), 4u);
    for (uint8_t b : f.Child("m1")->Content())
        EXPECT_EQ(b, 0xFF);
    EXPECT_EQ(f.Child("wrap")->GetInt(), 1);
    EXPECT_EQ(f.Child("big")->Content().size(), 8u);
    EXPECT_EQ(f.Child("big")->GetInt64(), 4294967297);
    EXPECT_EQ(f.Child("neg")->GetInt64(), -5);
}

TEST(ScriptReaderValues, Doubles)
{
    auto root = ReadOk("<FOLDER><NAME>\"F\"</NAME>" + Leaf("DOUBLE", "i", "2") +
                       Leaf("DOUBLE", "f", "1.25") + Leaf("DOUBLE", "e", "1e3") +
                       Leaf("DOUBLE", "neg", "-1.5") + Leaf("DOUBLE", "dot", ".5f") +
                       Leaf("DOUBLE", "apart", "3 .5") + "</FOLDER>");
    const ConfigNode& f = Only(root);
    EXPECT_EQ(f.Child("i")->GetDouble(), 2.0);
    EXPECT_EQ(f.Child("f")->GetDouble(), 1.25);
    EXPECT_EQ(f.Child("e")->GetDouble(), 1000.0);
    EXPECT_EQ(f.Child("neg")->GetDouble(), -1.5);
    EXPECT_EQ(f.Child("dot")->GetDouble(), 0.5);
    // Written apart, the fraction replaces the integer.
    EXPECT_EQ(f.Child("apart")->GetDouble(), 0.5);
}

TEST(ScriptReaderValues, StringsAndEmptyContent)
{
    auto root = ReadOk("<FOLDER><NAME>\"F\"</NAME>" + Leaf("STRING", "none", "") +
                       Leaf("STRING", "empty", "\"\"") +
                       Leaf("STRING", "odd", "\"<a>/b\\c\r\nd\"") + Leaf("RAW", "raw", "") +
                       "<FOLDER><NAME>\"sub\"</NAME><CONTENT></CONTENT></FOLDER>"
                       "</FOLDER>");
    const ConfigNode& f = Only(root);
    EXPECT_EQ(f.Child("none")->Content().size(), 0u);
    EXPECT_EQ(f.Child("empty")->Content().size(), 1u);
    EXPECT_EQ(f.Child("odd")->GetString(), "<a>/b\\c\r\nd");
    EXPECT_EQ(f.Child("raw")->Kind(), NodeKind::Raw);
    EXPECT_FALSE(f.Child("raw")->HasContent());
    EXPECT_TRUE(f.Child("sub")->IsFolder());
}

TEST(ScriptReaderValues, ASecondNameClauseReplacesTheFirst)
{
    auto root = ReadOk("<STRING><NAME>\"a\"</NAME><NAME>\"b\"</NAME></STRING>");
    EXPECT_EQ(Only(root).Name(), "b");
}

TEST(ScriptReaderInput, ReadsExactlyTheGivenLength)
{
    std::string text = Leaf("INTEGER", "v", "7") + "garbage +";
    FakePrompt prompt;
    auto root = ReadScript(std::string_view(text).substr(0, text.size() - 9), prompt);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Only(root).GetInt(), 7);
}

TEST(ScriptReaderInput, FailedLoadKeepsTheExistingTree)
{
    ConfigTree tree;
    FakePrompt prompt;
    ASSERT_TRUE(tree.LoadDefaults("<FOLDER><NAME>\"Program\"</NAME></FOLDER>", prompt));
    ConfigNode* before = tree.Root();
    EXPECT_FALSE(tree.LoadDefaults("<FOLDER><NAME>\"Program\"</NAME>", prompt));
    EXPECT_FALSE(tree.LoadDefaults("=", prompt));
    EXPECT_EQ(tree.Root(), before);
    EXPECT_NE(tree.TopFolder("Program"), nullptr);
    EXPECT_EQ(prompt.shown.size(), 1u);
}
