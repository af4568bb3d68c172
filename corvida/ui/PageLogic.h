#pragma once
// Decisions of the report window and its pages, kept free of window calls.
#include "FieldCatalogue.h"  // IsMakerName

#include <string>
#include <vector>

// Characters the customer name and the typed serial number refuse.
struct InvalidCharacter {
    bool refused = false;  // true also for an empty text (without a character)
    char character = 0;    // the last refused character, in test order, that occurs
};
InvalidCharacter FindInvalidCharacter(const std::string& text, bool refuseStar);
// "Invalid character '<c>' in File Format field."
std::string InvalidCharacterMessage(char character);

// Whether a field's marker shows the red asterisk.
bool MarkerShowsAsterisk(const std::string& value);

// Index of the first entry (other than the placeholder) that begins with `value`, without
// regard to case; -1 when the value is empty or no entry begins with it.
int FindChoiceEntry(const std::vector<std::string>& entries, const std::string& value);

// Title of the main window for a tab index (-1: no page).
std::string WindowTitleForPage(int page);
extern const char* const kTabTexts[5];

// The help window's text: seven paragraphs, each but the last followed by " \n\n".
std::string BuildHelpText();

// Message texts of the report window.
extern const char* const kSaveQuestion;
extern const char* const kMakerNameRefused;
extern const char* const kMandatoryMissing;
extern const char* const kSentMessage;
extern const char* const kFailedMessage;
extern const char* const kDateRefused;
