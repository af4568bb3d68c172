#pragma once
// Which device this is: model from the program's registry key, serial number and
// customer name from the places .\Corvida.ini names for the model.
#include "ReportRecord.h"

#include <string>

extern const char* const kTypedSerialPrefix;   // "user^": a serial number the user typed
extern const char* const kDefaultSerialNumber; // "90521QVT"
extern const char* const kSerialAnchor;        // ">Device Serial Number<"
extern const char* const kSerialTag;           // "<Detected>"

// "Product" under HKLM\SOFTWARE\Velmora\Corvida, or "".
std::string GetProductType();

// Splits a registry reference into key path and value name. Reading accepts the
// prefixes "Registry:HKLM\", "HKEY_LOCAL_MACHINE\", "HKLM\"; writing only the last two.
// False when the reference has no backslash.
bool ParseRegistryReference(const std::string& reference, bool forWriting, std::string& keyPath,
                            std::string& valueName);
std::string ReadRegistryReference(const std::string& reference);
// Sets the value in an existing key; never creates the key. True when written.
bool WriteRegistryReference(const std::string& reference, const std::string& value);

// The SystemInfo.xml path that a "Path" value points to ("" when it names no service
// platform folder): the folder before the first "kestrin" entry, lower-cased, followed
// by "\Kestrin\Logs\SystemInfo.xml".
std::string SystemInfoPathFromPathVariable(const std::string& pathValue);
// The same for this process's "Path"; true when the file exists there.
bool FindSystemInfoFile(std::string& path);

// The file's value between `tag` and its closing tag, first after `anchor` (FindTaggedText);
// the default serial number when any of the three is missing. False (output untouched)
// when the file cannot be opened, false too when the value is empty.
bool ExtractTaggedValue(const std::string& filePath, const std::string& anchor, const std::string& tag,
                        std::string& value);

// Whether a stored serial number was typed by the user.
bool IsTypedSerial(const std::string& serial);
// The serial number as shown or sent: every "user^" removed.
std::string StripTypedSerialPrefix(const std::string& serial);

// The serial number the site's source yields ("SerialNumber" of the model's section):
// a registry reference, SystemInfo.xml, or "".
std::string DetectSerialNumber(const std::string& source);

// The identification steps run each time the customer page loads: fills an empty
// ProductType, ProductSerialNumber and CustomerName. Returns true when the serial
// number counts as typed (empty or carrying "user^"), i.e. the page shows it editable.
bool IdentifyProduct(ReportRecord& record, const std::string& toolConfigFile = ".\\Corvida.ini");

// After an accepted edit of the customer name: writes it to the model's "CustomerName"
// reference when there is one.
void WriteBackCustomerName(const std::string& product, const std::string& name,
                           const std::string& toolConfigFile = ".\\Corvida.ini");
