#include "CommandLine.h"

#include <cstdio>
#include <cstdlib>

#ifndef TROVEL_VERSION
#define TROVEL_VERSION "0.0.0"
#endif

const char kVersion[] = "trovel " TROVEL_VERSION "\n";

const char kUsage[] =
    "trovel - collects the diagnostic files of this workstation and sends them to support\n"
    "\n"
    "usage:\n"
    "  trovel run [-p PRODUCT] [-c CUSTOMER] [-r REGION] [-s SUBJECT] [-d DESCRIPTION]\n"
    "  trovel status RUNID\n"
    "  trovel check\n"
    "  trovel send ARCHIVE\n"
    "  trovel --help | --version\n"
    "\n"
    "All commands work in the current folder: start them in the program folder\n"
    "(C:\\Velmora\\Corvida on a report workstation).\n"
    "\n"
    "run     Starts an unattended collection with the definitions of the current folder\n"
    "        (.\\Directory.ini and the definitions folder it names) and waits until it\n"
    "        has ended. On a console one line shows the stage and percentage; when the\n"
    "        output is redirected every status change is printed on a line of its own.\n"
    "        The closing summary follows. Without definitions nothing is started and\n"
    "        nothing is written.\n"
    "          -p PRODUCT      product named in the description file\n"
    "          -c CUSTOMER     names the archive and collection folder instead of the\n"
    "                          configured machine id\n"
    "          -r REGION       region in the description file (else the configured one)\n"
    "          -s SUBJECT      subject line of the description file\n"
    "          -d DESCRIPTION  problem description of the description file\n"
    "        Values may not contain a double quote; in the values of -p, -c and -r\n"
    "        blanks and / \\ | ? : ' < > * ~ ` ^ % & become _.\n"
    "status  Prints the status and text of run RUNID (the number 'run' printed).\n"
    "check   Tells whether a collection can work here, one line per check, without\n"
    "        collecting or uploading anything: definitions and configuration, each\n"
    "        selected package, the report file among what is collected (on a report\n"
    "        workstation), and the FTP server: it answers, accepts the anonymous login\n"
    "        and has the target folder.\n"
    "\n"
    "exit codes:\n"
    "  run:    0 completed and uploaded (or no upload configured)\n"
    "          1 failed, or the upload failed (the archive then stays in the local\n"
    "            directory)\n"
    "          2 not started: no definitions here, a run of this minute is still in\n"
    "            progress, or wrong arguments\n"
    "  status: 0 completed, 1 failed or completed with a failed upload, 2 still working,\n"
    "          3 no such run\n"
    "  check:  0 every check passed, 1 a check failed\n"
    "  send:   0 sent, 1 the upload failed (the archive stays), 2 no such archive,\n"
    "          no definitions or configuration here, or wrong arguments\n"
    "  any:    2 wrong arguments\n"
    "\n"
    "Log: every step of a run is appended to TrovelLog.txt in the current folder\n"
    "(C:\\Velmora\\Corvida\\TrovelLog.txt on a report workstation).\n"
    "\n"
    "example:\n"
    "  cd /d C:\\Velmora\\Corvida\n"
    "  trovel check\n"
    "  trovel run -c \"ACME Print\" -s \"Weekly check\"\n";

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
    if (args[0] == "--version" || args[0] == "-v") {
        command.kind = args.size() == 1 ? TrovelCommand::Kind::Version : TrovelCommand::Kind::Error;
        command.error = args.size() == 1 ? "" : "--version takes no arguments";
        return command;
    }
    if (args[0] == "check") {
        if (args.size() == 2 && (args[1] == "--help" || args[1] == "-h"))
            return command;
        if (args.size() != 1)
            return Error("check takes no arguments: " + args[1]);
        command.kind = TrovelCommand::Kind::Check;
        return command;
    }

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

    if (args[0] == "send") {
        if (args.size() == 2 && (args[1] == "--help" || args[1] == "-h"))
            return command;
        if (args.size() != 2 || args[1].empty())
            return Error("send needs one archive");
        command.kind = TrovelCommand::Kind::Send;
        command.archive = args[1];
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

std::string NoEntryLine(unsigned long runId)
{
    char id[16];
    std::snprintf(id, sizeof(id), "%06lu", runId);
    return std::string("[NO ENTRY] run ") + id + " has no entry in the status file";
}

RunProgress ProgressOf(int status, const std::string& text, const RunProgress& previous)
{
    if (status == 1)
        return {"done", 100};
    if (status == 2)
        return {"failed", previous.percent};
    if (status != 0)
        return previous.stage.empty() ? RunProgress{"starting", 0} : previous;
    // The texts the run driver reports at each step, with the percentages it gives them.
    static const struct {
        const char* text;
        const char* stage;
        int percent;
    } steps[] = {
        {"Running...", "gathering", 20},
        {"Zip Files", "packing", 80},
        {"Send files to FTP server.", "sending", 90},
        {"Completed.", "done", 95},
    };
    for (const auto& step : steps) {
        if (text == step.text)
            return {step.stage, step.percent};
    }
    if (text.empty() && previous.stage.empty())
        return {"starting", 0};
    return previous.stage.empty() ? RunProgress{"starting", 0} : previous;
}

std::string ProgressLine(const RunProgress& progress, const std::string& text, size_t width)
{
    char head[32];
    std::snprintf(head, sizeof(head), "%-9s %3d%%  ", progress.stage.c_str(), progress.percent);
    std::string line = head + text;
    if (line.size() > width)
        line = line.substr(0, width > 3 ? width - 3 : width) + (width > 3 ? "..." : "");
    line.resize(width, ' ');
    return line;
}
