#include "Definitions.h"

#include "Fields.h"

std::string CTrovelDefinitions::FieldOf(std::string& text, int index, std::string& out, char delimiter)
{
    return ::FieldOf(text, index, out, delimiter);
}
