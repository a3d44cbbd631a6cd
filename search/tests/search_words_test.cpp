#include "search/search_words.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace scandrel::search {
namespace {

bool naive(std::u16string_view text, const std::vector<std::u16string>& words) {
    for (const auto& word : words) {
        bool found = false;
        for (size_t at = 0; !found && at + word.size() <= text.size(); ++at) {
            found = text.substr(at, word.size()) == word;
        }
        if (!found) return false;
    }
    return true;
}

// Every case runs both ways of looking for words: the one the builds use and the
// portable one.
class SearchWords : public ::testing::TestWithParam<WordSearch> {
protected:
    bool containsAllWords(std::u16string_view text, const std::vector<std::u16string>& words) const {
        return WordMatcher(words, GetParam()).allFoundIn(text);
    }
};

INSTANTIATE_TEST_SUITE_P(BothWays, SearchWords, ::testing::Values(WordSearch::Fastest, WordSearch::Portable),
                         [](const ::testing::TestParamInfo<WordSearch>& way) {
                             return way.param == WordSearch::Fastest ? "Fastest" : "Portable";
                         });

TEST_P(SearchWords, EveryWordMustOccurAnywhereInTheText) {
    const std::u16string text = u"maria da silva gusmaomarca-passo asma";
    EXPECT_TRUE(containsAllWords(text, {u"gusmao", u"marca-passo"}));
    EXPECT_TRUE(containsAllWords(text, {u"marca-passo", u"gusmao"}));
    EXPECT_TRUE(containsAllWords(text, {u"omarc"}));  // across the join of two values
    EXPECT_TRUE(containsAllWords(text, {u"maria", u"ari", u"m"}));
    EXPECT_TRUE(containsAllWords(text, {u"asma"}));   // at the very end
    EXPECT_TRUE(containsAllWords(text, {u"maria d"}));  // at the very start
    EXPECT_FALSE(containsAllWords(text, {u"gusmao", u"asmas"}));
    EXPECT_FALSE(containsAllWords(text, {u"silvaa"}));
    EXPECT_FALSE(containsAllWords(u"abc", {u"abcd"}));
    EXPECT_TRUE(containsAllWords(u"abc", {u""}));  // the empty word is in every text
    EXPECT_TRUE(containsAllWords(u"", {u""}));
    EXPECT_FALSE(containsAllWords(u"", {u"a"}));
    EXPECT_TRUE(containsAllWords(u"aaab", {u"aab"}));
    EXPECT_TRUE(containsAllWords(u"abababc", {u"ababc"}));
}

TEST_P(SearchWords, CharactersSharingTheirLowByteAreStillDifferent) {
    // U+0161 and U+0261 share the low byte of 'a' (U+0061).
    EXPECT_FALSE(containsAllWords(u"xa\u0161y", {u"aay"}));
    EXPECT_TRUE(containsAllWords(u"xa\u0161y", {u"a\u0161y"}));
    EXPECT_FALSE(containsAllWords(u"\u0161\u0261\u0161", {u"a"}));
    EXPECT_TRUE(containsAllWords(u"ba\u0161\u0261", {u"\u0261"}));
    EXPECT_TRUE(containsAllWords(u"\u4e2d\u6587abc", {u"\u6587a"}));
}

TEST_P(SearchWords, LongWordsAreFoundLikeShortOnes) {
    const std::u16string word(300, u'x');
    EXPECT_TRUE(containsAllWords(u"a" + word + u"b", {word}));
    EXPECT_FALSE(containsAllWords(u"a" + word.substr(1) + u"b" + word.substr(1), {word}));
    EXPECT_TRUE(containsAllWords(std::u16string(400, u'y') + u"z" + word, {u"z" + word}));
}

TEST_P(SearchWords, AgreesWithAPlainSearchOnRandomTexts) {
    std::mt19937 random(7);
    const std::u16string alphabet = u"ab \u0161\u0261";
    const auto make = [&](size_t length) {
        std::u16string s;
        for (size_t i = 0; i < length; ++i) s += alphabet[random() % alphabet.size()];
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::u16string text = make(random() % 40);
        std::vector<std::u16string> words;
        for (size_t i = random() % 3 + 1; i > 0; --i) words.push_back(make(random() % 6));
        ASSERT_EQ(containsAllWords(text, words), naive(text, words)) << round;
        ASSERT_EQ(search::containsAllWords(text, words), naive(text, words)) << round;
    }
}

// Words at every place of texts long enough to be searched several places at a
// time, among near misses (first and last characters right, the second wrong).
TEST_P(SearchWords, FoundAtEveryPlaceOfLongTexts) {
    for (const std::u16string word : {u"o", u"ao", u"gusmao", u"marca-passo", u"aaaaaaaaaaaaaaaaab"}) {
        std::u16string miss = word;
        if (miss.size() > 2) miss[1] = u'#';
        for (size_t length = word.size(); length < 70; ++length) {
            std::u16string filler(length, u'.');
            for (size_t at = 0; at + miss.size() <= length; at += miss.size()) filler.replace(at, miss.size(), miss);
            ASSERT_EQ(containsAllWords(filler, {word}), miss == word) << length;
            for (size_t at = 0; at + word.size() <= length; ++at) {
                std::u16string text = filler;
                text.replace(at, word.size(), word);
                ASSERT_TRUE(containsAllWords(text, {word})) << word.size() << " " << length << " " << at;
                text[at + word.size() - 1] = u'!';
                ASSERT_EQ(containsAllWords(text, {word}), naive(text, {word})) << length << " " << at;
            }
        }
    }
}

}  // namespace
}  // namespace scandrel::search
