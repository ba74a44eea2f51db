// Writing the keywords edited in the data-properties window into the record they belong
// to: the current record of the list. The record's head and its keyword entries in the
// index change together (CPictureDatabase::ChangeKeywords).
#pragma once

#include "storage/PictureDatabase.h"

class CPicdexDoc;

// Shown after a failed write, below the file error that gave its cause.
inline constexpr const char* keywordsNotSavedMessage = "The keywords were not saved.";

// Gives the current record the keywords (each cut to 31 bytes at a character boundary).
// 1 written (or nothing to change); 0 failed after the cause and keywordsNotSavedMessage
// were shown, the record unchanged as far as the storage could keep it; -1 when there is
// no live current record to write into (the list is empty or the record was deleted).
int WriteKeywordEdits(CPicdexDoc& doc, const CPictureDatabase::Keywords& keywords);
