#include "Collector.h"

CTrovelCollector::CTrovelCollector() = default;

int CTrovelCollector::Run(std::string, std::string, std::string&, int, std::string, std::string)
{
    return 0;  // the run driver comes with the exports
}
