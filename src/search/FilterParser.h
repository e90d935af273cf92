#ifndef SEARCH_FILTERPARSER_H
#define SEARCH_FILTERPARSER_H

#include "store/ItemPtr.h"

#include <QString>
#include <QStringList>

// The filter box above the trees of search results and browsed shares: words
// that a name must or must not contain, and conditions on a file's bitrate,
// bitrate mode and size, all written in one line of text.
//
// Names are tested in two levels: a folder's name may satisfy some words, and
// the words it leaves open (the remainder) must then be satisfied by the names
// of its files; see FolderFilter.
class FilterParser
{
public:
    // What IsMatching answers.
    enum Outcome
    {
        Matches = 0,
        MissingWords = 1, // some included words do not occur
        Rejected = 2,     // an excluded word occurs, or a file condition fails
    };

    // Adds the words and conditions of a filter text.
    void Parse(const QString& text);

    // Tests a folder or file name and, when the item is not null, the file's
    // "bitrate_mode", "bitrate" and "file_size". With a remainder, the missing
    // included words are collected in it (with the conditions and the excluded
    // words) instead of ending the test.
    int IsMatching(const QString& text, FilterParser* remainder, ItemPtr item) const;

    bool HasAttributes() const { return hasAttributes; }
    int MinFilesInFolder() const { return minFilesInFolder; }

    const QStringList& IncludedWords() const { return includedWords; }
    const QStringList& ExcludedWords() const { return excludedWords; }
    int MinBitrate() const { return minBitrate; }
    bool IsVbr() const { return isVbr; }
    bool IsCbr() const { return isCbr; }
    qint64 MinFileSize() const { return minFileSize; }

private:
    bool FailsConditions(ItemPtr item) const;
    void CopyConditionsTo(FilterParser& other) const;

    QStringList includedWords;
    QStringList excludedWords;
    qint32 minBitrate = 0;
    bool isVbr = false;
    bool isCbr = false;
    qint64 minFileSize = 0;
    qint32 minFilesInFolder = 0;
    bool hasAttributes = false;
};

// The filter applied to one folder of a tree and the files directly in it:
// words may be found in a file's name or in its folder's name.
class FolderFilter
{
public:
    FolderFilter(const FilterParser& filter, const QString& folderName);

    // The folder is hidden with everything in it.
    bool Rejected() const { return folderOutcome == FilterParser::Rejected; }
    // The folder's name satisfies the whole filter: it is shown with all its files.
    bool Whole() const { return whole; }
    // Whether a file of the folder passes (always, for a folder shown whole).
    bool Passes(const QString& fileName, ItemPtr file) const;
    // How many of its files must pass for the folder to be shown.
    int FilesNeeded() const { return needed; }
    // Whether a folder with that many passing files is shown.
    bool Shows(int passingFiles) const { return !Rejected() && (whole || passingFiles >= needed); }

private:
    FilterParser remainder;
    int folderOutcome;
    bool whole;
    int needed;
};

#endif
