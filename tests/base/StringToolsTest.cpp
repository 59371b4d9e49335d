#include "TStringTools.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::MessageOf;

TEST(StringToolsTest, StgToBoolAcceptsOnlyOneAndZero) {
    EXPECT_TRUE(TStringTools::StgToBool("1"));
    EXPECT_FALSE(TStringTools::StgToBool("0"));
    for (const char* Text : {" 1", "true", "", "01"})
        EXPECT_EQ(MessageOf([&] { TStringTools::StgToBool(Text); }),
                  "Invalid boolean string in TStringTools::StgToBool")
            << '"' << Text << '"';
    // The message is a char*, caught by both kinds of handler.
    EXPECT_THROW(TStringTools::StgToBool("x"), const char*);
}

TEST(StringToolsTest, SubstringsAndCase) {
    EXPECT_TRUE(TStringTools::HasSubstring("", ""));
    EXPECT_TRUE(TStringTools::HasSubstring("abc", ""));
    EXPECT_TRUE(TStringTools::HasSubstring("lon degN/degE", "degN/degE"));
    EXPECT_FALSE(TStringTools::HasSubstring("degn/dege", "degN/degE"));
    std::string Text = "abz-\xe9Q";
    TStringTools::ToUpper(Text);
    EXPECT_EQ(Text, "ABZ-\xe9Q");
}

TEST(StringToolsTest, TrimRemovesOnlySpaces) {
    const struct {
        const char *In, *Out;
    } Cases[] = {{"  a b  ", "a b"}, {"\ta ", "\ta"}, {" a\t", "a\t"},
                 {"    ", ""},       {"", ""},        {"x", "x"}};
    for (const auto& C : Cases) {
        std::string Text = C.In;
        TStringTools::Trim(Text);
        EXPECT_EQ(Text, C.Out) << '"' << C.In << '"';
    }
}

TEST(StringToolsTest, FindAndReplaceNeverSearchesItsReplacement) {
    const struct {
        const char *Source, *Search, *Replacement, *Expected;
    } Cases[] = {
        {"aaa", "a", "aa", "aaaaaa"},
        {"abc", "x", "y", "abc"},
        {"10.5-3.25", "-", " -", "10.5 -3.25"},
        {"--", "-", " -", " - -"},
        {"abcabc", "bc", "", "aa"},
        {"abc", "", "zz", "abc"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(TStringTools::FindAndReplace(C.Source, C.Search, C.Replacement), C.Expected)
            << C.Source << " / " << C.Search;
}

TEST(StringToolsTest, TokenizeSkipsEmptyTokens) {
    const struct {
        const char *Text, *Delimiters;
        std::vector<std::string> Tokens;
    } Cases[] = {
        {",,a,,b,", ",", {"a", "b"}},
        {"1 \t 2", " \t", {"1", "2"}},
        {"1\t2 3", " ", {"1\t2", "3"}},
        {"", " ", {}},
        {"   ", " ", {}},
        {"abc", " ", {"abc"}},
    };
    for (const auto& C : Cases) {
        std::vector<std::string> Tokens = {"left", "over"};
        TStringTools::Tokenize(C.Text, Tokens, C.Delimiters);
        EXPECT_EQ(Tokens, C.Tokens) << '"' << C.Text << '"';
    }
}
