#include "CommandLine.h"

#include <cstdlib>

const char kUsage[] =
    "trovel - collects the diagnostic files of this workstation and sends them to support\n"
    "\n"
    "usage:\n"
    "  trovel run [-p PRODUCT] [-c CUSTOMER] [-r REGION] [-s SUBJECT] [-d DESCRIPTION]\n"
    "  trovel status RUNID\n"
    "  trovel --help\n"
    "\n"
    "run     Starts an unattended collection with the definitions of the current folder\n"
    "        (.\\Directory.ini and the definitions folder it names), prints every status\n"
    "        change and the closing summary, and waits until the run has ended.\n"
    "          -p PRODUCT      product named in the description file\n"
    "          -c CUSTOMER     names the archive and collection folder instead of the\n"
    "                          configured machine id\n"
    "          -r REGION       region in the description file (else the configured one)\n"
    "          -s SUBJECT      subject line of the description file\n"
    "          -d DESCRIPTION  problem description of the description file\n"
    "        Values may not contain a double quote; in the values of -p, -c and -r\n"
    "        blanks and / \\ | ? : ' < > * ~ ` ^ % & become _.\n"
    "status  Prints the status and text of run RUNID (the number 'run' printed).\n"
    "\n"
    "exit codes:\n"
    "  run:    0 completed and uploaded (or no upload configured), 1 failed or the upload\n"
    "          failed (the archive then stays in the local directory), 2 not started\n"
    "          (a run of this minute is still in progress) or wrong arguments\n"
    "  status: 0 completed, 1 failed or completed with a failed upload, 2 still working,\n"
    "          3 no such run\n"
    "\n"
    "Every step is also appended to .\\TrovelLog.txt.\n";

namespace {

TrovelCommand Error(const std::string& text)
{
    TrovelCommand command;
    command.kind = TrovelCommand::Kind::Error;
    command.error = text;
    return command;
}

}  // namespace

TrovelCommand ParseCommandLine(const std::vector<std::string>& args)
{
    TrovelCommand command;
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "/?" || args[0] == "help")
        return command;

    if (args[0] == "status") {
        if (args.size() != 2)
            return Error("status needs one run id");
        char* end = nullptr;
        const unsigned long id = std::strtoul(args[1].c_str(), &end, 10);
        if (args[1].empty() || *end != '\0' || id > 235959)
            return Error("not a run id: " + args[1]);
        command.kind = TrovelCommand::Kind::Status;
        command.runId = id;
        return command;
    }

    if (args[0] != "run")
        return Error("unknown command: " + args[0]);
    command.kind = TrovelCommand::Kind::Run;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (flag == "--help" || flag == "-h") {
            command.kind = TrovelCommand::Kind::Help;
            return command;
        }
        std::string* target = nullptr;
        if (flag == "-p")
            target = &command.product;
        else if (flag == "-c")
            target = &command.customer;
        else if (flag == "-r")
            target = &command.region;
        else if (flag == "-s")
            target = &command.subject;
        else if (flag == "-d")
            target = &command.description;
        else
            return Error("unknown option: " + flag);
        if (i + 1 >= args.size())
            return Error(flag + " needs a value");
        *target = args[++i];
        if (target->find('"') != std::string::npos)
            return Error("a value may not contain a double quote: " + *target);
    }
    return command;
}

std::string BuildOptionText(const TrovelCommand& command)
{
    std::string options;
    const struct {
        const char* key;
        const std::string* value;
    } given[] = {{"-p", &command.product}, {"-c", &command.customer}, {"-r", &command.region}};
    for (const auto& option : given) {
        if (option.value->empty())
            continue;
        if (!options.empty())
            options += " ";
        options += std::string(option.key) + " \"" + *option.value + "\"";
    }
    return options;
}

const char* StatusName(int code)
{
    switch (code) {
    case 0:
        return "WORKING";
    case 1:
        return "COMPLETE";
    case 2:
        return "FAIL";
    default:
        return "NO ENTRY";
    }
}

int RunExitCode(int status, const std::string& text)
{
    return status == 1 && text.find("failed") == std::string::npos ? 0 : 1;
}
