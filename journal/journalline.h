#pragma once

#include <QString>

// One journal entry as its writer hands it over: the text for the on-screen
// list and the text for the file, each complete with its values but without
// the time stamp, which the journal adds.
struct JournalLine {
    QString listText;
    QString fileText;
};

inline bool operator==(const JournalLine &a, const JournalLine &b)
{
    return a.listText == b.listText && a.fileText == b.fileText;
}

inline bool operator!=(const JournalLine &a, const JournalLine &b)
{
    return !(a == b);
}
