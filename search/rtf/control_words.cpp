#include "search/rtf/control_words.h"

namespace scandrel::search::rtf {

bool isFormattingWord(std::u16string_view name) {
    const auto* it = std::lower_bound(std::begin(kFormattingWords), std::end(kFormattingWords), name,
                                      [](std::string_view word, std::u16string_view n) {
                                          return std::lexicographical_compare(word.begin(), word.end(), n.begin(),
                                                                              n.end(), [](char a, char16_t b) {
                                                                                  return static_cast<char16_t>(a) < b;
                                                                              });
                                      });
    return it != std::end(kFormattingWords) && detail::sameName(*it, name);
}

}  // namespace scandrel::search::rtf
