#ifndef SEARCH_SEARCHPARSER_H
#define SEARCH_SEARCHPARSER_H

#include <QString>

#include <set>

// Splits a search text into the words a file must contain (plain words and
// "quoted phrases"), the parts of words it must contain (*part) and the words
// it must not contain (-word), all in lower case, and tells whether a file
// path matches them. One parser is made per search text.
class SearchParser
{
public:
    using TokenSet = std::set<QString>;

    // The characters that separate tokens: space and tab.
    static QString Whitespace();

    // Tokenizes the text; false when it is no valid query.
    bool SetSearchText(const QString& text) { return Tokenize(text); }
    bool Tokenize(const QString& text);

    // True when the candidate contains every included token and part and
    // none of the excluded tokens, ignoring case.
    bool IsMatch(const QString& candidate) const;

    const TokenSet& GetIncludedTokenSet() const { return includedTokens; }
    const TokenSet& GetIncludedPartTokenSet() const { return includedPartTokens; }
    const TokenSet& GetExcludedTokenSet() const { return excludedTokens; }

private:
    TokenSet includedTokens;
    TokenSet includedPartTokens;
    TokenSet excludedTokens;
};

#endif
