#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "ftpcodes.h"

// The record behind one row of the local list.
struct LocalListItem {
    std::string dateText;  // "YYYY/MM/DD hh:mm" of the last write, local time
    std::string name;      // the whole name, exact bytes
    std::string typeName;
    std::int64_t size = 0;
    int timeKey = 0;  // hh * 10000 + mm * 100 + ss: the seconds the date text lacks
    bool isDirectory = false;
};

// The record behind one row of the remote list.
struct RemoteListItem {
    std::string attributes;  // the listing's permission word
    std::string dateText;    // as the listing parser gave it
    std::string name;        // the whole name, exact bytes as the server sent them
    std::string shownName;   // the name read in the server's encoding (UTF-8)
    std::string typeName;
    std::int64_t size = 0;
    bool isDirectory = false;
    ftp::EntryType entryType = ftp::EntryType::File;
};

// "%d KB", rounding half a kilobyte up; a file under half a kilobyte shows 1 KB unless
// it is empty.
std::string sizeText(std::int64_t size);

// The date text and time key of a local modification time.
void localTimeTexts(std::time_t modified, std::string& dateText, int& timeKey);

// Case-insensitive comparison of ASCII letters, bytes otherwise: the order the lists
// sort names, types, dates and attributes in.
int compareNoCase(const std::string& a, const std::string& b);
