#include "PageLogic.h"

#include <cctype>
#include <cstdio>

const char* const kSaveQuestion = "Do you want to save the changes in the installation report?";
const char* const kMakerNameRefused = "Customer name cannot be Velmora.";
const char* const kMandatoryMissing =
    "You must fill in all mandatory fields (marked with asterisk) before you submit the report.";
const char* const kSentMessage = "The installation report has been sent to Velmora.\nThe Corvida will now be closed.";
const char* const kFailedMessage =
    " Submission of form to Velmora has failed-connection to FTP server was not established.\n"
    " A submission will be performed automatically when the FTP server is accessible.\n\n"
    " The Corvida will now be closed.";
const char* const kDateRefused = "Missing or invalid value in the Date field.";

const char* const kTabTexts[5] = {"Customer", "General", "Hardware", "Software", "Performance"};

namespace {
std::string Lower(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}
}  // namespace

InvalidCharacter FindInvalidCharacter(const std::string& text, bool refuseStar)
{
    InvalidCharacter result;
    if (text.empty()) {
        result.refused = true;
        return result;
    }
    static const char kRefused[] = {'/', '\\', '|', '?', ':', '\'', '<', '>', '~', '%'};
    for (char c : kRefused)
        if (text.find(c) != std::string::npos)
            result.character = c;
    if (refuseStar && text.find('*') != std::string::npos)
        result.character = '*';
    result.refused = result.character != 0;
    return result;
}

std::string InvalidCharacterMessage(char character)
{
    char text[128];
    char shown[2] = {character, '\0'};
    std::snprintf(text, sizeof(text), "Invalid character '%s' in File Format field.", shown);
    return text;
}

bool MarkerShowsAsterisk(const std::string& value)
{
    return value == " Select ..." || value.empty();
}

int FindChoiceEntry(const std::vector<std::string>& entries, const std::string& value)
{
    if (value.empty())
        return -1;
    std::string wanted = Lower(value);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] == " Select ...")
            continue;
        if (Lower(entries[i]).compare(0, wanted.size(), wanted) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

std::string WindowTitleForPage(int page)
{
    static const char* const kTitleParts[5] = {"Customer information", "General information",
                                               "Hardware information", "Software information",
                                               "Performance information"};
    const char* part = (page >= 0 && page < 5) ? kTitleParts[page] : "Empty";
    char text[128];
    std::snprintf(text, sizeof(text), "%s - %s", "Corvida", part);
    return text;
}

std::string BuildHelpText()
{
    static const char* const kParagraphs[7] = {
        "An installation report provides specific information about the installation and about problems that "
        "may occur during the installation process. Accurate and complete installation reports are essential "
        "for a better understanding of installation issues and for improving products and installation "
        "procedures.",
        "The Corvida located on the machine is an easy and intuitive mechanism for filling and sending the "
        "installation report to Velmora.",
        "The requested information includes details of the customer, the product, the installation itself, and "
        "questions regarding the hardware, the software and the performance of the machine.",
        "You simply type the requested information in the appropriate fields, and click Submit to send the form "
        "to Velmora.",
        "You can fill in the information all at once or click Save to save the form and complete it at a later "
        "time.",
        "A reminder will pop up to remind you to fill the form. You can activate the Corvida from the reminder, "
        "from the Corvida icon on the desktop, or from the Start menu.",
        "Once you click Submit, the form is sent to Velmora, the shortcuts are removed from the desktop and Start "
        "menu, and the reminder stops.",
    };
    std::string text;
    for (int i = 0; i < 7; ++i) {
        text += kParagraphs[i];
        if (i < 6)
            text += " \n\n";
    }
    return text;
}
