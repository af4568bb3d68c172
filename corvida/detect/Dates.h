#pragma once
// Local calendar dates in the stored form yyyy-mm-dd, and opening things through the shell.
#include <windows.h>

#include <string>

// yyyy-mm-dd (month and day zero-padded below 10).
std::string FormatStoredDate(int year, int month, int day);
std::string TodayDateText();

// Empty text: now. Otherwise 7 July 2007 unless the text holds year-month-day.
void ParseStoredDate(const std::string& text, SYSTEMTIME& date);

// Writes the start (which = true) or end date into `out`; true when the start is on or
// before the end, by calendar day.
bool FormatAndCheckDates(const SYSTEMTIME& start, const SYSTEMTIME& end, bool which, std::string& out);

// Adds whole days to a calendar date (time of day kept).
SYSTEMTIME AddDays(const SYSTEMTIME& date, int days);

// Starts a program or opens a document with the "open" verb, hidden; does not wait and
// reports nothing.
void ShellOpen(const std::string& file, const std::string& parameters);
